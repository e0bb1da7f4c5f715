#include "app/core/PasswordGenerator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <span>

namespace ombrelt::app {
namespace {

// Hands out the 32-bit values 0, 1, 2, ... so that draw k picks pool character k.
class TCountingDraws final : public pdf::TRandomSource {
 public:
  void Fill(std::span<std::uint8_t> bytes) override {
    ASSERT_EQ(bytes.size(), 4u);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(next_ >> (8 * i));
    ++next_;
  }

 private:
  std::uint32_t next_ = 0;
};

std::u16string Pool(bool numeric, bool alphabet, bool specials) {
  std::u16string pool;
  if (numeric) pool += kPasswordDigits;
  if (alphabet) pool += kPasswordLetters;
  if (specials) pool += kPasswordSpecials;
  return pool.empty() ? std::u16string(kPasswordLetters) : pool;
}

TEST(CreatePassword, PoolHoldsTheClassesInOrderAndEachDrawPicksOneCharacter) {
  TCountingDraws draws;
  EXPECT_EQ(CreatePassword(u"43", true, true, true, false, draws),
            u"1234567890ABCDEFGHJKLMNPQRSTUVWXYZ!?/*+-@#$");
}

TEST(CreatePassword, LengthAndCharactersFollowTheSettings) {
  struct Case {
    std::u16string lengthText;
    bool numeric, alphabet, specials, lowerCase;
    std::size_t length;
    std::u16string allowed;
  };
  const std::u16string lowerLetters = u"abcdefghjklmnpqrstuvwxyz";
  const Case cases[] = {
      {u"0", true, true, false, false, 1, Pool(true, true, false)},
      {u"-3", true, true, false, false, 1, Pool(true, true, false)},
      {u"8", false, false, false, false, 8, std::u16string(kPasswordLetters)},
      {u"8", false, false, false, true, 8, lowerLetters},
      {u"200", true, false, false, true, 200, std::u16string(kPasswordDigits)},
      {u"200", false, false, true, false, 200, std::u16string(kPasswordSpecials)},
      {u" 12\t", true, true, true, false, 12, Pool(true, true, true)},
      {u"+5", true, true, false, false, 5, Pool(true, true, false)},
      {u"99999", true, true, true, true, 99999, u"1234567890" + lowerLetters + u"!?/*+-@#$"},
  };
  for (const Case& c : cases) {
    const std::u16string password = CreatePassword(c.lengthText, c.numeric, c.alphabet, c.specials, c.lowerCase);
    SCOPED_TRACE(std::string(c.lengthText.begin(), c.lengthText.end()));
    ASSERT_EQ(password.size(), c.length);
    EXPECT_EQ(password.find_first_not_of(c.allowed), std::u16string::npos);
    EXPECT_EQ(password.find_first_of(u"IOio"), std::u16string::npos);
  }
}

TEST(CreatePassword, EveryPoolCharacterOccursInALongPassword) {
  const std::u16string password = CreatePassword(u"99999", true, true, true, false);
  const std::set<char16_t> seen(password.begin(), password.end());
  EXPECT_EQ(seen.size(), Pool(true, true, true).size());
}

// Draw k picks pool character k: across the specials, the first character would be each of them.
TEST(CreatePassword, NeverBeginsWithWhatASpreadsheetTakesForAFormula) {
  TCountingDraws draws;
  std::set<char16_t> firsts;
  for (std::size_t i = 0; i < kPasswordSpecials.size(); ++i) firsts.insert(CreatePassword(u"1", false, false, true, false, draws)[0]);
  EXPECT_EQ(firsts, (std::set<char16_t>{u'!', u'?', u'/', u'*', u'#', u'$'}));
}

TEST(CreatePassword, TwoCallsGiveDifferentPasswords) {
  EXPECT_NE(CreatePassword(u"16", true, true, false, false), CreatePassword(u"16", true, true, false, false));
}

TEST(CreatePassword, LengthTextThatIsNotAnIntegerRaisesConversionError) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", "'' is not a valid integer value"},
      {u"abc", "'abc' is not a valid integer value"},
      {u"8a", "'8a' is not a valid integer value"},
      {u"1 2", "'1 2' is not a valid integer value"},
      {u"-", "'-' is not a valid integer value"},
      {u"2147483648", "'2147483648' is not a valid integer value"},
      {u"100000", "'100000' is not a valid password length (at most 99999)"},
  };
  for (const auto& [text, message] : cases) {
    try {
      CreatePassword(text, true, true, false, false);
      ADD_FAILURE() << message;
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.what(), message);
    }
  }
}

}  // namespace
}  // namespace ombrelt::app
