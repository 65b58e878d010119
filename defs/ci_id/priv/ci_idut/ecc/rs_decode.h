// The steps shared by the Reed-Solomon decoders: syndromes, Berlekamp-Massey with erasures, the
// root search and Forney's formula, written once for both fields.
//
// Conventions. A codeword is a polynomial c(x); the error at the symbol of x^p has the locator
// X = alpha^p. The code's roots are alpha^fcr .. alpha^(fcr + nroots - 1), and the syndromes
// S_k = c(alpha^k) are stored from syndromes[0] = S_fcr on; the syndrome polynomial S(x) has
// S_fcr as its constant term. The locator Lambda(x) = prod (1 - X x) has Lambda[0] = 1, and an
// error value is Y = -X^(1 - fcr) Omega(X^-1) / Lambda'(X^-1) with Omega = S Lambda mod x^nroots.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ci_id/priv/ci_idut/ecc/rs_field.h"

namespace cid_rs {

// Where the symbols of a codeword lie: index i holds x^(lowestExponent + i) when ascending, and
// x^(lowestExponent + count - 1 - i) otherwise (highest order first).
struct codewordView {
    int32_t* symbols;
    int32_t count;
    bool ascending;
    int32_t lowestExponent;

    int32_t indexOf(int32_t exponent) const {
        int32_t k = exponent - lowestExponent;
        return ascending ? k : count - 1 - k;
    }
    int32_t exponentOf(int32_t index) const {
        return lowestExponent + (ascending ? index : count - 1 - index);
    }
};

// Scratch of one decode, carved from one zero-filled allocation of 9 (nroots + 1) values.
struct workspace {
    int32_t* block;
    int32_t* syndromes;         // nroots
    int32_t* rootLogs;          // nroots: exponents fcr + k of the code's roots, reduced
    int32_t* lambda;            // nroots + 1, for every polynomial below
    int32_t* b;                 // correction polynomial of Berlekamp-Massey
    int32_t* t;                 // scratch polynomial
    int32_t* omega;             // error evaluator
    int32_t* rootExponents;     // exponents p of the roots found
    int32_t* values;            // error value at each root
    int32_t* erasureExponents;  // exponents p of the erasures
};

int32_t workspace_construct(workspace* ws, int32_t nroots, int32_t fcr, int32_t order);
int32_t workspace_destruct(workspace* ws);

// Poll the stop request once per this many syndromes or trial points.
constexpr int32_t kPollInterval = 32;

// Syndromes of the codeword into ws->syndromes; *anyNonZero tells whether one is not zero.
template <class Field>
int32_t computeSyndromes(const Field& field, const codewordView& view, int32_t nroots,
                         const workspace& ws, bool* anyNonZero);

// Berlekamp-Massey seeded with the erasures' locator. *length receives the locator length L, or
// -1 when the degree of the locator in ws->lambda (given in *degree) differs from L.
template <class Field>
int32_t berlekampMassey(const Field& field, int32_t nroots, int32_t numErasures,
                        const workspace& ws, int32_t* length, int32_t* degree);

// Exponents p in minExponent .. maxExponent with Lambda(alpha^-p) = 0, into ws->rootExponents;
// stops after degree roots. *found receives their number.
template <class Field>
int32_t findRoots(const Field& field, const workspace& ws, int32_t degree, int32_t minExponent,
                  int32_t maxExponent, int32_t* found);

// Error values at the roots, into ws->values; false when Lambda' vanishes at a root (a repeated
// root), which no real error pattern gives.
template <class Field>
bool computeErrorValues(const Field& field, int32_t nroots, int32_t fcr, const workspace& ws,
                        int32_t degree, int32_t numRoots);

}  // namespace cid_rs
