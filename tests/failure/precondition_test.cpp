// Broken preconditions reach the assertion handler and leave nothing allocated: every null
// pointer of every entry point in turn, and the table's bad counts, bounds and records. Every
// listed export has a row unless it cannot break a precondition.
#include <cxxabi.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "failure_table.h"

namespace {

// A row's call with argument `nulled` null, or (-1) as the row gives it.
struct nullCase {
    const cid_fail::entry* row;
    int nulled;
    bool allowed() const { return !row->broken && (nulled < 0 || (row->nullable >> nulled & 1u)); }
};

std::vector<nullCase> nullCases() {
    std::vector<nullCase> out;
    for (const cid_fail::entry& e : cid_fail::entries()) {
        out.push_back({&e, -1});
        for (int k = 0; k < 32; ++k) {
            if (e.pointers >> k & 1u) out.push_back({&e, k});
        }
    }
    return out;
}

class Preconditions : public testing::TestWithParam<nullCase> {};

// A null that is not documented as optional, or a broken call, fires the handler; a valid call
// succeeds or gives the status of its bad input, and an optional null is accepted.
TEST_P(Preconditions, ReachTheHandler) {
    const nullCase& c = GetParam();
    cid_test::countingAllocator counter;
    {
        cid_fail::scene f;
        cid_fail::call run = c.row->make(f);
        int32_t status = -1;
        if (c.allowed()) {
            EXPECT_NO_THROW(status = run(c.nulled));
            const int32_t gives = c.row->gives;
            EXPECT_TRUE(c.nulled >= 0 || (gives ? status == gives : status >= 0)) << status;
        } else {
            EXPECT_PRECONDITION(run(c.nulled));
        }
    }
    EXPECT_EQ(counter.live(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, Preconditions, testing::ValuesIn(nullCases()),
                         [](const auto& info) {
                             const nullCase& c = info.param;
                             std::string name = c.row->name + "_" + std::to_string(info.index);
                             for (char& ch : name)
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             if (c.nulled < 0) return name + (c.row->broken ? "_broken" : "_valid");
                             return name + (c.allowed() ? "_optional" : "_null") +
                                    std::to_string(c.nulled);
                         });

// Entry points that cannot break a precondition: no pointer arguments, or null documented as
// accepted (the sorts take empty ranges); the type-check hooks do nothing at all. A name ending
// in :: prefixes the names after it.
const char* const kExempt =
    "cmath_sqrt32 cmath_sqrt64 cidut_atan2 cfEdgeDetectID_install csys_attention_check "
    "cstd_assert_setHandler csys_double_qsort csys_float_qsort csys_int8_qsort csys_uint8_qsort "
    "csys_int32_qsort csys_uint32_qsort csys_uint16_qsort csys_vector_qsort<int> "
    "csys_vector_qsort<double> operator* cx2Xform:: inverse cxRadian:: operator+ cxRadian "
    "cxDegree:: cxDegree cxRange:: cxRange FullRange EmptyRange start end middle operator== "
    "operator!= operator= cxHistoStats:: cxHistoStats ~cxHistoStats mean var sDev median histMin "
    "histMax min max inverseCum nSamp histogram isValid repInvariant ccCidLSLineFitter:: "
    "ccCidLSLineFitter reset numPoints fit fitAndError error operator= cc_ImageAutoPtr:: "
    "cc_ImageAutoPtr operator= ~cc_ImageAutoPtr release cc_ImageConstAutoPtr:: "
    "cc_ImageConstAutoPtr operator= ~cc_ImageConstAutoPtr release cxImage95:: cxImage95";

// A listed name as the rows name it: C names as they are, C++ names demangled without return
// type and parameters, a typed-vector family by one of its members.
std::string rowName(const std::string& listed) {
    if (listed.rfind("@vector ", 0) == 0) {
        std::string family = listed.substr(8);
        return "cstd_vector_" + family + (family.rfind("vector_", 0) ? "_delete" : "_newClone");
    }
    int status = -1;
    std::unique_ptr<char, void (*)(void*)> plain(
        abi::__cxa_demangle(listed.c_str(), nullptr, nullptr, &status), std::free);
    std::string name = status == 0 ? plain.get() : listed;
    name = name.substr(0, name.find('('));
    return name.substr(name.rfind(' ') == std::string::npos ? 0 : name.rfind(' ') + 1);
}

TEST(Coverage, EveryListedExportHasARowOrCannotFail) {
    std::set<std::string> covered;
    std::istringstream exempt(kExempt);
    std::string prefix;
    for (std::string name; exempt >> name;) {
        if (name.size() > 2 && name.substr(name.size() - 2) == "::")
            prefix = name;
        else
            covered.insert(prefix + name);
    }
    for (const cid_fail::entry& e : cid_fail::entries()) covered.insert(e.name);
    int listed = 0;
    for (const auto& file :
         std::filesystem::directory_iterator(CI_ID_TEST_DATA_DIR "/../exports")) {
        std::ifstream in(file.path());
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line.substr(0, line.find('#')));
            std::string name, family;
            if (!(words >> name) || name.rfind("csys_typeCheck", 0) == 0) continue;
            if (words >> family) name += " " + family;
            ++listed;
            EXPECT_TRUE(covered.count(rowName(name))) << file.path().filename() << ": " << name;
        }
    }
    EXPECT_GT(listed, 300);
}

}  // namespace
