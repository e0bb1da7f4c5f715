#include "app/core/EncryptionNotices.h"

#include <gtest/gtest.h>

namespace ombrelt::app {
namespace {

TEST(EncryptionNotices, OneSentencePerChange) {
  struct Case {
    std::u16string signedItem, pdfaItem;
    std::vector<std::u16string> notices;
  };
  const Case cases[] = {
      {u"No", u"", {}},
      // A list from before the notices existed has empty items there.
      {u"", u"", {}},
      {u"Yes", u"", {u"Signed: encrypting invalidates its signatures"}},
      {u"No", u"PDF/A-2U", {u"Claims PDF/A-2U: an encrypted copy is no longer PDF/A"}},
      {u"Yes",
       u"PDF/A-1B",
       {u"Signed: encrypting invalidates its signatures", u"Claims PDF/A-1B: an encrypted copy is no longer PDF/A"}},
  };
  for (const Case& c : cases) EXPECT_EQ(EncryptionNotices(c.signedItem, c.pdfaItem), c.notices);
}

}  // namespace
}  // namespace ombrelt::app
