/* Gaussian smoothing with sub-sampling of 8-bit windows.
 *
 * The result has ceil(width / sampleX) x ceil(height / sampleY) pixels: result pixel (i, j) is
 * the source window smoothed by a Gaussian of sigma smoothX / 2 (and smoothY / 2 down the
 * columns), taken at the centre of the block of sampleX x sampleY source pixels whose top-left
 * pixel is (i sampleX, j sampleY). The block centre of an even factor lies between two pixels;
 * the kernel is then centred there. Samples beyond the window repeat its border pixels. The
 * kernel taps are integers summing to 2^14 and symmetric about the centre, so a constant window
 * comes out unchanged and a linear ramp comes out as its value at each block centre, rounded half
 * up, wherever the kernel does not reach past the border. */
#ifndef CI_ID_CIP_FILTER_H
#define CI_ID_CIP_FILTER_H

#include <stdint.h>

#include "ci_id/ci_id_export.h"
#include "ci_id/platform/cimg.h"

CI_ID_EXTERN_C_BEGIN

/* Largest smoothing and sampling value accepted. */
#define CIP_GAUSS_MAX_FACTOR 64

typedef struct cip_gaussParams {
    int32_t smoothX; /* 0 .. CIP_GAUSS_MAX_FACTOR: sigma = smoothX / 2; 0 does not smooth */
    int32_t smoothY;
    int32_t sampleX; /* 1 .. CIP_GAUSS_MAX_FACTOR: keep one sample per block of this width */
    int32_t sampleY;
} cip_gaussParams;

/* smoothX = smoothY = 1 (sigma 0.5), no sub-sampling. Always 0. */
CI_ID_API int32_t cip_gaussParams_init(cip_gaussParams* params);

/* destination = a new image of the result at image offset (0, 0), whose image-from-client
 * transform is the source's followed by the map of source window coordinates onto the result's
 * ((x - window x) / sampleX, (y - window y) / sampleY), so that client coordinates keep naming
 * the same content. CSYS_STATUS_SIZE_OUT_OF_RANGE for a field outside its range or an empty
 * source window; CIMG_STATUS_NOT_BOUND, CIMG_STATUS_INVALID_IMAGE as usual. */
CI_ID_API int32_t cip_gauss_smooth8_8(const cimg_imageConst* source, cimg_image* destination,
                                      const cip_gaussParams* params);

CI_ID_EXTERN_C_END

#endif
