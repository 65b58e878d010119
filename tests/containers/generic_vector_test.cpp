// The generic vector behind every typed vector, on elements whose lives are tracked: random
// operations against std::vector, each element built once and destroyed once.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "ci_id/priv/ci_idut/containers/cstd_vector_generic.h"

namespace {

// The identity follows an element through the bitwise moves of growth; 0 marks a caller's element.
struct tracked {
    int identity, value;
};
std::set<int> live;
int nextIdentity = 1, copies = 0, failCopyAt = -1;

int32_t born(void* e, int value) {
    *static_cast<tracked*>(e) = {nextIdentity, value};
    live.insert(nextIdentity++);
    return 0;
}
int32_t construct(void* e) { return born(e, -1); }
int32_t copy(void* d, const void* s) {
    const tracked& source = *static_cast<const tracked*>(s);
    EXPECT_TRUE(source.identity == 0 || live.count(source.identity)) << "copy of a dead element";
    return copies++ == failCopyAt ? -77 : born(d, source.value);
}
int32_t assign(void* d, const void* s) {
    static_cast<tracked*>(d)->value = static_cast<const tracked*>(s)->value;
    return 0;
}
int32_t destruct(void* e) {
    EXPECT_EQ(live.erase(static_cast<tracked*>(e)->identity), 1u) << "destroyed twice";
    return 0;
}
const cstd_vector_elementOps kOps = {construct, copy, assign, destruct};

std::vector<int> values(const tracked* first, size_t count) {
    std::vector<int> out;
    for (size_t i = 0; i < count; ++i) out.push_back(first[i].value);
    return out;
}

// One random change. Sources lie in the caller's block or inside the vector, which may grow
// under them.
tracked outside[40];

void randomStep(cstd_vector_* v, std::vector<int>& model, std::mt19937& rng) {
    for (tracked& e : outside) e = {0, static_cast<int>(rng() % 1000)};
    tracked* b = reinterpret_cast<tracked*>(v->begin);
    const size_t n = model.size(), at = rng() % (n + 1), to = rng() % (n + 1);
    const size_t count = rng() % (std::min<size_t>(n - at, 30) + 1);
    const tracked* s = rng() % 2 ? b + at : outside;
    const tracked* one = n && rng() % 2 ? b + rng() % n : outside;
    const std::vector<int> part = values(s, count);
    const int value = one->value;
    switch (rng() % 5) {
        case 0:
            ASSERT_EQ(cstd_vector__insert(v, b + to, s, intptr_t(count)), 0);
            model.insert(model.begin() + to, part.begin(), part.end());
            break;
        case 1:
            ASSERT_EQ(cstd_vector__erase(v, b + at, intptr_t(count)), 0);
            model.erase(model.begin() + at, model.begin() + at + count);
            break;
        case 2:  // the caller's block stands for no fill element
            ASSERT_EQ(one == outside ? cstd_vector__resize(v, intptr_t(n + count))
                                     : cstd_vector__resizeFill(v, intptr_t(n + count), one),
                      0);
            model.resize(n + count, one == outside ? -1 : value);
            break;
        case 3:
            ASSERT_EQ(cstd_vector__assignElements(v, b + count, intptr_t(n - count)), 0);
            model.erase(model.begin(), model.begin() + count);
            break;
        default:
            ASSERT_EQ(cstd_vector__pushBack(v, one), 0);
            model.push_back(value);
    }
}

TEST(GenericVector, RandomOperationsMatchStdVectorAndEveryElementLivesOnce) {
    std::mt19937 rng(1);
    cstd_vector_ v, twin;
    ASSERT_EQ(cstd_vector__constructWithVtable(&v, 12, sizeof(tracked), &kOps), 0);
    std::vector<int> model(12, -1);
    for (int step = 0; step < 4000; ++step) {
        ASSERT_NO_FATAL_FAILURE(randomStep(&v, model, rng));
        ASSERT_EQ(values(reinterpret_cast<tracked*>(v.begin), v.size), model) << "step " << step;
        ASSERT_TRUE(v.capacity >= v.size && live.size() == model.size());
    }
    // A failing element copy destroys what the call built; an insert also puts the tail back.
    failCopyAt = copies + 2;
    EXPECT_EQ(cstd_vector__insert(&v, v.begin, outside, 5), -77);
    EXPECT_EQ(values(reinterpret_cast<tracked*>(v.begin), v.size), model);
    failCopyAt = copies + 2;
    EXPECT_EQ(cstd_vector__constructCopy(&twin, &v), -77);
    EXPECT_EQ(live.size(), model.size());
    cstd_vector__destruct(&v);
    EXPECT_TRUE(live.empty());
}

}  // namespace
