// The hidden names outputs are written under, and the names a later run may take for one of them.

#include "pdf/facade/TemporaryName.h"

#include <gtest/gtest.h>

#include <string>

#include "pdf/objects/TextConversions.h"

namespace pdf {
namespace {

constexpr std::string_view kRandom = "0123456789abcdef";

TEST(TemporaryName, NamesTheOutputAndTheCreatingProcess) {
  const std::string name = TemporaryName("report.pdf", 1234, kRandom);
  EXPECT_EQ(name, ".report.pdf.000004d20123456789abcdef.tmp");
  EXPECT_EQ(TemporaryNameCreator(name), 1234);
  // The temporary name of a temporary name (the library's file beside the job's) has the form too.
  EXPECT_EQ(TemporaryNameCreator(TemporaryName(name, 77, kRandom)), 77);
}

TEST(TemporaryName, ALongNameIsCutWithinLimitsAndBetweenCharacters) {
  std::string longName;
  for (int i = 0; i < 200; ++i) longName += "\xC3\xA9";  // é, two bytes
  const std::string name = TemporaryName(longName, 1, kRandom);
  const std::string twice = TemporaryName(name, 1, kRandom);
  EXPECT_LE(twice.size(), 255u);
  const std::string kept = name.substr(1, name.size() - 1 - 1 - 24 - 4);
  EXPECT_EQ(kept.size(), kTemporaryNameKept);
  EXPECT_EQ(UnicodeToUTF8(UTF8ToUnicode(kept)), kept);  // whole characters only
  EXPECT_EQ(TemporaryNameCreator(twice), 1);
}

TEST(TemporaryName, OtherNamesHaveNoCreator) {
  const char* const names[] = {
      "report.pdf.000004d20123456789abcdef.tmp",      // not hidden
      ".report.pdf.0123456789abcdef.tmp",             // an older form, without the process
      ".report.pdf.0123456789ab.tmp",                 // an older form, without the process
      ".report.pdf.000004d20123456789ABCDEF.tmp",     // upper case
      ".report.pdf.000004d20123456789abcdef.tmp.bak", // another suffix
      ".report.pdf-000004d20123456789abcdef.tmp",     // no dot before the digits
      "..000004d20123456789abcdef.tmp",               // no name
      ".x.000000000123456789abcdef.tmp",              // process 0
      ".x.800000000123456789abcdef.tmp",              // beyond any process id
      ".x.000004d2012345678-abcdef.tmp",              // not a digit
  };
  for (const char* name : names) EXPECT_EQ(TemporaryNameCreator(name), std::nullopt) << name;
}

}  // namespace
}  // namespace pdf
