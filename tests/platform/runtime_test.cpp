// Stop requests, one-time set-up, critical sections, shut-down and the optimisation hook.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <thread>
#include <vector>

#include "ci_id/platform/csys_runtime.h"
#include "ci_id/platform/csys_status.h"
#include "test_support.h"

namespace {

TEST(Attention, StopIsSeenOnlyByTheBoundThread) {
    EXPECT_EQ(csys_attention_check(), 0);
    csys_attentionToken token;
    csys_attention_initToken(&token);
    EXPECT_EQ(csys_attention_bindToken(&token), nullptr);
    EXPECT_EQ(csys_attention_check(), 0);

    std::thread requester([&token] { csys_attention_requestStop(&token); });
    requester.join();
    EXPECT_EQ(csys_attention_check(), CSYS_STATUS_STOP_REQUESTED);

    int32_t otherThreadSees = -1;
    std::thread other([&otherThreadSees] { otherThreadSees = csys_attention_check(); });
    other.join();
    EXPECT_EQ(otherThreadSees, 0);

    csys_attention_resetToken(&token);
    EXPECT_EQ(csys_attention_check(), 0);
    EXPECT_EQ(csys_attention_bindToken(nullptr), &token);
    csys_attention_requestStop(&token);
    EXPECT_EQ(csys_attention_check(), 0);
}

int32_t countCall(void* argument) {
    static_cast<std::atomic<int>*>(argument)->fetch_add(1);
    return 0;
}

TEST(Once, RunsExactlyOnceAcrossThreads) {
    static csys_onceState state;
    std::atomic<int> calls{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back(
            [&calls] { EXPECT_EQ(csys_initializeOnce(&countCall, &state, &calls), 0); });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(calls.load(), 1);
}

int32_t failFirstTime(void* argument) {
    auto* calls = static_cast<int*>(argument);
    return ++*calls == 1 ? -4 : 0;
}

TEST(Once, FailureLeavesTheStateOpenForRetry) {
    static csys_onceState state;
    int calls = 0;
    EXPECT_EQ(csys_initializeOnce(&failFirstTime, &state, &calls), -4);
    EXPECT_EQ(csys_initializeOnce(&failFirstTime, &state, &calls), 0);
    EXPECT_EQ(csys_initializeOnce(&failFirstTime, &state, &calls), 0);
    EXPECT_EQ(calls, 2);
}

int32_t nestedOnce(void* argument) {
    static csys_onceState inner;
    return csys_initializeOnce(&countCall, &inner, argument);
}

TEST(Once, MayBeNested) {
    static csys_onceState outer;
    std::atomic<int> calls{0};
    EXPECT_EQ(csys_initializeOnce(&nestedOnce, &outer, &calls), 0);
    EXPECT_EQ(calls.load(), 1);
}

struct sharedCounter {
    csys_criticalSection* section;
    long value;
};

int32_t incrementUnsafely(void* argument) {
    auto* counter = static_cast<sharedCounter*>(argument);
    long read = counter->value;
    std::this_thread::yield();
    counter->value = read + 1;
    return 0;
}

TEST(CriticalSection, SingletonIsSharedAndProtectSerialises) {
    static csys_criticalSection* section = nullptr;
    std::vector<csys_criticalSection*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&seen, i] {
            EXPECT_EQ(csys_criticalSection_constructSingleton(&section), 0);
            seen[i] = section;
        });
    }
    for (auto& t : threads) t.join();
    for (auto* s : seen) EXPECT_EQ(s, section);
    ASSERT_NE(section, nullptr);

    sharedCounter counter{section, 0};
    threads.clear();
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&counter] {
            for (int k = 0; k < 500; ++k) {
                csys_criticalSection_protect(counter.section, &incrementUnsafely, &counter);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter.value, 2000);
}

int shutdownPipe = -1;
void writeOnShutdown(void* argument) {
    char c = static_cast<char>(reinterpret_cast<intptr_t>(argument));
    (void)!write(shutdownPipe, &c, 1);
}

TEST(Shutdown, RegisteredFunctionsRunAtUnloadInReverseOrder) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        shutdownPipe = fds[1];
        csys_shutdown_register(&writeOnShutdown, reinterpret_cast<void*>(intptr_t{'1'}));
        csys_shutdown_register(&writeOnShutdown, reinterpret_cast<void*>(intptr_t{'2'}));
        std::exit(0);  // runs the library's static destructors as an unload does
    }
    close(fds[1]);
    char received[3] = {0, 0, 0};
    ssize_t got = read(fds[0], received, 2);
    if (got == 1) got += read(fds[0], received + 1, 1);
    close(fds[0]);
    int childStatus = 0;
    waitpid(child, &childStatus, 0);
    EXPECT_EQ(got, 2);
    EXPECT_STREQ(received, "21");
}

const wchar_t* askedName = nullptr;
int32_t inhibitFft(const wchar_t* name) {
    askedName = name;
    return std::wcscmp(name, L"cf2DFFT_32x32_fixed") == 0 ? 1 : 0;
}

TEST(OptimizationHook, AbsentByDefaultAndAskedByName) {
    EXPECT_EQ(cprt_isOptimizationInhibitedFP, nullptr);
    EXPECT_EQ(cprt_isOptimizationInhibited(L"cf2DFFT_32x32_fixed"), 0);
    cprt_isOptimizationInhibitedFP = &inhibitFft;
    EXPECT_EQ(cprt_isOptimizationInhibited(L"cf2DFFT_32x32_fixed"), 1);
    EXPECT_EQ(cprt_isOptimizationInhibited(L"rowExtremaMax"), 0);
    EXPECT_NE(askedName, nullptr);
    cprt_isOptimizationInhibitedFP = nullptr;
}

}  // namespace
