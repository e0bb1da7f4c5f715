#include <gtest/gtest.h>

#include "pdf/facade/VelloPDF.h"

namespace pdf {
namespace {

TEST(RepairWords, NameEachRepairInTheOrderTheReadingMadeThem) {
  using TRepairs = TVelloPDF::TCopyRepairs;
  EXPECT_EQ(TVelloPDF::RepairWords(TRepairs{}), "");
  EXPECT_EQ(TVelloPDF::RepairWords(TRepairs{1, 0, false, false}), "1 object found away from its table offset");
  EXPECT_EQ(TVelloPDF::RepairWords(TRepairs{2, 1, true, true}),
            "no PDF header, object table rebuilt by scanning the file, 2 objects found away from their table "
            "offsets, 1 unreadable object written as null");
  EXPECT_TRUE((TRepairs{0, 0, false, true}).Any());
}

}  // namespace
}  // namespace pdf
