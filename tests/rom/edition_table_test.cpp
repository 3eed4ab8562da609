#include "rom/edition_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace qorvane {
namespace {

struct ClassifyCase {
  SignatureBytes bytes;
  RomEdition expected;
};

TEST(ClassifySignatureTest, MatchesWholeTriplesOnly) {
  const std::vector<ClassifyCase> cases = {
      {{0x64, 0x48, 0x60}, RomEdition::Simplified},
      {{0xC2, 0x33, 0x7D}, RomEdition::Traditional},
      {{0x4A, 0x48, 0x60}, RomEdition::NotEnhanced},
      {{0x64, 0x48, 0x61}, RomEdition::Unrecognised},
      {{0xC2, 0x48, 0x60}, RomEdition::Unrecognised},
      {{0x4A, 0x33, 0x7D}, RomEdition::Unrecognised},
      {{0x60, 0x48, 0x64}, RomEdition::Unrecognised},
      {{0x00, 0x00, 0x00}, RomEdition::Unrecognised},
  };
  for (const ClassifyCase& c : cases) {
    EXPECT_EQ(ClassifySignature(c.bytes), c.expected)
        << int{c.bytes[0]} << ' ' << int{c.bytes[1]} << ' ' << int{c.bytes[2]};
  }
}

struct ExpectedRun {
  std::uint64_t offset;
  PatchRun run;
};

void ExpectPlan(TargetScript target, const std::vector<ExpectedRun>& expected) {
  const PatchPlan plan = PatchRunsFor(target);
  ASSERT_EQ(plan.size(), expected.size());
  for (std::size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(plan[i].site.offset, expected[i].offset) << "site " << i + 1;
    EXPECT_EQ(plan[i].run, expected[i].run) << "site " << i + 1;
  }
}

TEST(PatchRunsForTest, SimplifiedRunsInWritingOrder) {
  ExpectPlan(1, {{0xC1038, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}},
                 {0xC1248, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}},
                 {0xC1458, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}},
                 {0x6AE88, {0x64, 0x48, 0x60, 0x08, 0x84, 0x27, 0x00}},
                 {0xC2A04, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}}});
}

TEST(PatchRunsForTest, EveryOtherNonZeroTargetIsTraditional) {
  for (TargetScript target : {2, 3, -1, 255}) {
    SCOPED_TRACE(target);
    ExpectPlan(target, {{0xC1038, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}},
                        {0xC1248, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}},
                        {0xC1458, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}},
                        {0x6AE88, {0xC2, 0x33, 0x7D, 0x08, 0x84, 0x27, 0x00}},
                        {0xC2A04, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}}});
  }
}

}  // namespace
}  // namespace qorvane
