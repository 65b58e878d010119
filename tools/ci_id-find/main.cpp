// ci_id-find: finds Data Matrix symbols, PDF417 symbols and one-dimensional barcode candidates in
// PNG, JPEG and PGM images with ci_id, and prints them as a summary or as JSON lines.
//
//     ci_id-find [options] image...
//       --types LIST   kinds to search, comma-separated: datamatrix, pdf417, barcode, all (all)
//       --spacing N    pixels between scan lines (8)
//       --columns      walk columns as well as rows
//       --skew         fit Data Matrix far sides on their own (perspective views)
//       --border       accept symbols that touch the image's edge
//       --budget MS    stop each image's search after MS milliseconds
//       --json         one JSON object per image and line, the summary to standard error
//       --truth FILE   compare with a truth file (tests/data/samples/truth.json) and summarise
//       --out DIR      write a colour copy of each image with its symbols outlined, as DIR/NAME.png
//       --threads N    read and search N images at once (1); the output keeps the input's order
//       --help         print the usage
//
// An image that cannot be read or searched gets an error line and the run goes on; the exit
// status is then 1 (2 for a bad command line).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"
#include "common/image_io.h"
#include "report.h"

namespace {

using cid_find::imageResult;

struct options {
    cid_searchOptions search;
    double budgetMs = 0;
    bool json = false;
    std::string truth;
    std::string out;
    int threads = 1;
    std::vector<std::string> images;
};

// Prints the usage after the problem (none for --help) and ends the program.
[[noreturn]] void usage(const std::string& problem) {
    std::FILE* to = problem.empty() ? stdout : stderr;
    if (!problem.empty()) std::fprintf(to, "ci_id-find: %s\n", problem.c_str());
    std::fprintf(to,
                 "usage: ci_id-find [--types LIST] [--spacing N] [--columns] [--skew] [--border] "
                 "[--budget MS] [--json] [--truth FILE] [--out DIR] [--threads N] image...\n");
    std::exit(problem.empty() ? 0 : 2);
}

int32_t parseTypes(const std::string& list) {
    int32_t types = 0;
    size_t begin = 0;
    while (begin <= list.size()) {
        const size_t end = std::min(list.find(',', begin), list.size());
        const std::string name = list.substr(begin, end - begin);
        if (name == "datamatrix")
            types |= CID_SYMBOL_DATAMATRIX;
        else if (name == "pdf417")
            types |= CID_SYMBOL_PDF417;
        else if (name == "barcode")
            types |= CID_SYMBOL_BARCODE;
        else if (name == "all")
            types |= CID_SYMBOL_ALL;
        else
            usage("unknown symbol type '" + name + "'");
        begin = end + 1;
    }
    return types;
}

double parseNumber(const std::string& text, const char* option, double least) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !(value >= least)) usage(std::string("bad value for ") + option);
    return value;
}

options parse(int argc, char** argv) {
    options o;
    cid_searchOptions_init(&o.search);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 == argc) usage(a + " needs a value");
            return argv[++i];
        };
        if (a == "--types")
            o.search.types = parseTypes(value());
        else if (a == "--spacing")
            o.search.spacing = int32_t(std::min(parseNumber(value(), "--spacing", 1), 1e6));
        else if (a == "--columns")
            o.search.columns = 1;
        else if (a == "--skew")
            o.search.allowSkew = 1;
        else if (a == "--border")
            o.search.allowAtBorder = 1;
        else if (a == "--budget")
            o.budgetMs = parseNumber(value(), "--budget", 0);
        else if (a == "--json")
            o.json = true;
        else if (a == "--truth")
            o.truth = value();
        else if (a == "--out")
            o.out = value();
        else if (a == "--threads")
            o.threads = int(std::min(parseNumber(value(), "--threads", 1), 256.0));
        else if (a == "--help")
            usage("");
        else if (a.size() > 1 && a[0] == '-')
            usage("unknown option " + a);
        else
            o.images.push_back(a);
    }
    if (o.images.empty()) usage("no images");
    return o;
}

// Asks the bound search to stop once the budget has passed, unless it ends first.
class watchdog {
public:
    watchdog(csys_attentionToken* token, double ms)
        : thread_([this, token, ms] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::duration<double, std::milli>(ms),
                                   [this] { return done_; })) {
                  csys_attention_requestStop(token);
              }
          }) {}
    ~watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread thread_;  // last: it starts once the others exist
};

// Searches one image on this thread, bounded by the budget; the status of the search.
int32_t search(const cid_tools::greyImage& image, const options& o, imageResult* result) {
    cimg_imageConst view;
    int32_t status = cimg_imageConst_constructWrap(&view, CIMG_DEPTH_8U, image.width, image.height,
                                                   image.pitch, image.pixels.data());
    if (status < 0) return status;
    csys_attentionToken token;
    csys_attention_initToken(&token);
    csys_attentionToken* previous = csys_attention_bindToken(&token);
    cid_symbol* symbols = nullptr;
    int32_t count = 0;
    {
        std::unique_ptr<watchdog> dog;
        if (o.budgetMs > 0) dog = std::make_unique<watchdog>(&token, o.budgetMs);
        const auto start = std::chrono::steady_clock::now();
        status = cid_findSymbolsNew(&view, &o.search, &symbols, &count);
        result->ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    csys_attention_bindToken(previous);
    result->symbols.assign(symbols, symbols + count);
    cid_symbols_release(&symbols);
    cimg_imageConst_destruct(&view);
    result->stopped = status == CSYS_STATUS_STOP_REQUESTED;
    return result->stopped ? 0 : status;
}

void printSummaryLines(const imageResult& r) {
    std::printf("%s: %d x %d, %zu symbols in %.2f ms%s\n", r.file.c_str(), r.width, r.height,
                r.symbols.size(), r.ms, r.stopped ? " (stopped by the budget)" : "");
    for (const cid_symbol& s : r.symbols) {
        std::printf("  %-10s", cid_find::typeName(s.type));
        for (const cmath_vect& c : s.corners) std::printf(" (%.2f, %.2f)", c.x, c.y);
        std::printf("\n");
    }
}

// What became of one image: its result, or the lines telling why it has none or lost its copy.
struct imageOutcome {
    imageResult result;
    bool searched = false;
    std::vector<std::string> errors;
};

// Reads, searches and draws one image; touches nothing shared, so images may go on any thread.
imageOutcome processImage(const std::string& path, const options& o) {
    imageOutcome outcome;
    outcome.result.file = path;
    cid_tools::greyImage image;
    try {
        image = cid_tools::readImage(path);
    } catch (const cid_tools::imageIoError& error) {
        outcome.errors.push_back(std::string("cannot read ") + error.what());  // path: problem
        return outcome;
    }
    outcome.result.width = image.width;
    outcome.result.height = image.height;
    const int32_t status = search(image, o, &outcome.result);
    if (status < 0) {
        char line[64];
        std::snprintf(line, sizeof line, ": search failed with status 0x%08X", unsigned(status));
        outcome.errors.push_back(path + line);
        return outcome;
    }
    outcome.searched = true;
    if (!o.out.empty()) {
        try {
            cid_tools::writePng(cid_find::annotate(image, outcome.result),
                                o.out + "/" + cid_find::truthName(path) + ".png");
        } catch (const cid_tools::imageIoError& error) {
            outcome.errors.push_back(std::string("cannot write ") + error.what());
        }
    }
    return outcome;
}

// Processes every image on `threads` threads and hands the outcomes to `report` on this thread,
// in the images' order, each as soon as it and all before it are done.
template <typename reporter>
void processInOrder(const options& o, reporter report) {
    const size_t count = o.images.size();
    const size_t threads = std::min(size_t(o.threads), count);
    if (threads <= 1) {
        for (const std::string& path : o.images) report(processImage(path, o));
        return;
    }
    std::vector<imageOutcome> outcomes(count);
    std::vector<char> done(count, 0);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (size_t i = next++; i < count; i = next++) {
                imageOutcome outcome = processImage(o.images[i], o);
                std::lock_guard<std::mutex> lock(mutex);
                outcomes[i] = std::move(outcome);
                done[i] = 1;
                finished.notify_one();
            }
        });
    }
    for (size_t i = 0; i < count; ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return done[i] != 0; });
        }
        report(std::move(outcomes[i]));
    }
    for (std::thread& worker : workers) worker.join();
}

}  // namespace

int main(int argc, char** argv) {
    const options o = parse(argc, argv);
    std::unique_ptr<cid_find::truthTally> tally;
    try {
        if (!o.truth.empty())
            tally = std::make_unique<cid_find::truthTally>(cid_tools::readTruth(o.truth));
    } catch (const cid_tools::truthError& error) {
        usage(error.what());
    }
    std::FILE* summary = o.json ? stderr : stdout;
    std::vector<double> times;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    processInOrder(o, [&](imageOutcome outcome) {
        for (const std::string& line : outcome.errors)
            std::fprintf(stderr, "ci_id-find: %s\n", line.c_str());
        failures += int(outcome.errors.size());
        if (!outcome.searched) return;
        const imageResult& result = outcome.result;
        times.push_back(result.ms);
        if (o.json)
            std::printf("%s\n", cid_find::jsonLine(result).c_str());
        else
            printSummaryLines(result);
        if (tally) {
            for (const std::string& line : tally->judge(result)) {
                if (!o.json) std::printf("  truth: %s\n", line.c_str());
            }
        }
    });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::sort(times.begin(), times.end());
    std::fprintf(summary, "%zu images searched, %d failed", times.size(), failures);
    if (!times.empty())
        std::fprintf(summary, ", median search time %.2f ms", times[times.size() / 2]);
    std::fprintf(summary, ", %.1f images per second on %d thread%s\n",
                 seconds > 0 ? double(o.images.size()) / seconds : 0.0, o.threads,
                 o.threads == 1 ? "" : "s");
    if (tally) tally->printSummary(summary);
    return failures ? 1 : 0;
}
