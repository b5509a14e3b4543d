// Char arrays hold UTF-16 code units and convert to UTF-8 at the edges.
#include "test_util.hpp"

namespace rt {
namespace {

TEST(Text, SwedishTextKeepsItsLetters) {
  const Array banner = Array::str("Beräkning pågår!");
  EXPECT_EQ(banner.dims(), (Dims{1, 16}));
  EXPECT_EQ(banner.reAt(3), 0xE4);  // ä
  EXPECT_EQ(banner.utf8(), "Beräkning pågår!");
  EXPECT_EQ(Array::str("inmatningsfel antal centrumavstånd").numel(), 34u);
  EXPECT_EQ(Array::str("").dims(), (Dims{0, 0}));
}

TEST(Text, RoundTripsOutsideTheBasicPlane) {
  const std::string s = "a\xF0\x9F\x98\x80z";  // U+1F600 becomes a surrogate pair
  const Array a = Array::str(s);
  EXPECT_EQ(a.numel(), 4u);
  EXPECT_EQ(a.utf8(), s);
}

TEST(Text, MalformedInputIsReplacedNotOverread) {
  EXPECT_EQ(utf8ToUtf16("\xC3"), u"\uFFFD");
  EXPECT_EQ(utf8ToUtf16("a\xE2\x82"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong encoding
  EXPECT_EQ(utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
}

}  // namespace
}  // namespace rt
