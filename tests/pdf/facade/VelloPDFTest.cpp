#include "pdf/facade/VelloPDF.h"

#include <gtest/gtest.h>

#include <vector>

namespace pdf {
namespace {

TEST(Facade, PermissionMaskCountsOnlyExactOnes) {
  struct Case {
    std::vector<std::int32_t> flags;
    std::int32_t mask;
  };
  const Case cases[] = {{{0, 0, 0, 0, 0, 0, 0, 0}, 0x00CD0000}, {{1, 1, 1, 1, 1, 1, 1, 1}, 0x003200FF},
                        {{1, 1, 0, 0, 0, 0, 0, 0}, 0x00CE0003}, {{2, 2, 2, 2, 2, 2, 2, 2}, 0x00CD0000},
                        {{-1, 0, 0, 0, 0, 0, 0, 1}, 0x004D0080}};
  for (const Case& c : cases) {
    const auto& f = c.flags;
    const std::int32_t mask = TVelloPDF::BuildPermissionMask(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
    EXPECT_EQ(mask, c.mask);
    EXPECT_TRUE(TVelloPDF::PermissionMaskIsValid(mask));
  }
  EXPECT_FALSE(TVelloPDF::PermissionMaskIsValid(0x003200FE));
  EXPECT_TRUE(TVelloPDF::PermissionMaskIsValid(static_cast<std::int32_t>(0xFF3200FFu)));
}

TEST(Facade, HandlesAreStableAndReleasedOnesResolveToNothing) {
  TCorvanePDFLibrary1013 pdf;
  int a = 0;
  int b = 0;
  EXPECT_EQ(pdf.RegisterHandle(nullptr), 0);
  const std::int32_t first = pdf.RegisterHandle(&a);
  EXPECT_EQ(first, 0x58000000);
  EXPECT_EQ(pdf.RegisterHandle(&a), first);
  EXPECT_EQ(pdf.RegisterHandle(&b), first + 1);
  EXPECT_EQ(pdf.ResolveHandle(first), &a);
  EXPECT_EQ(pdf.ResolveHandle(static_cast<std::int32_t>(0xD8000000u)), &a);
  EXPECT_EQ(pdf.ResolveHandle(0), nullptr);
  EXPECT_EQ(pdf.ResolveHandle(first + 2), nullptr);
  EXPECT_EQ(pdf.ResolveInspection(first), nullptr);  // not an inspection list
  EXPECT_EQ(pdf.ReleaseInspection(first), 0);
}

TEST(Facade, ErrorCodeIsReadAndCleared) {
  TCorvanePDFLibrary1013 pdf;
  EXPECT_EQ(pdf.InspectFile(u"/no/such/file.pdf", u""), 0);
  EXPECT_EQ(pdf.ErrorCode(), kErrorInputFile);
  EXPECT_EQ(pdf.ErrorCode(), 0);
}

TEST(Facade, ProgressIsScaledSteppedAndDeduplicated) {
  TCorvanePDFLibrary1013 pdf;
  std::vector<std::int32_t> seen;
  pdf.OnProgress = [&](std::int32_t percent) { seen.push_back(percent); };
  pdf.ProgressScale = 1.0;
  for (const std::int32_t p : {0, 50, 50, 100}) pdf.ReportProgress(p);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{50, 100}));
  seen.clear();
  pdf.StepIndex = 2;
  pdf.StepCount = 4;
  pdf.ReportProgress(50);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{37}));
}

}  // namespace
}  // namespace pdf
