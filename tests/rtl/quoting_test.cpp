// User data quoted in error messages: short and without control characters.
#include "host/rtl/quoting.h"

#include <gtest/gtest.h>

#include <string>

#include "host/rtl/interfaces.h"

namespace host {
namespace {

TEST(QuotedForMessage, ShowsAtMostSixtyCharactersWithControlsEscaped) {
  const std::string sixty(60, 'a');
  const struct {
    std::string text, quoted;
  } cases[] = {
      {"", "''"},
      {"12 ", "'12 '"},
      {sixty, "'" + sixty + "'"},
      {sixty + "b", "'" + sixty + "...'"},
      {std::string("\x1b[2J\r\n\0\x7f\t", 9), "'\\x1B[2J\\x0D\\x0A\\x00\\x7F\\x09'"},
      {"\xe4\xf6 stays", "'\xe4\xf6 stays'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.quoted, QuotedForMessage(c.text));
  }
}

// A malformed value of a megabyte is quoted by its beginning only.
TEST(QuotedForMessage, ConversionErrorsQuoteTheirValueThatWay) {
  const std::string huge = "\x1b]0;title\x07" + std::string(1 << 20, '9');
  const std::string expected = QuotedForMessage(huge);
  EXPECT_LT(expected.size(), 100u);
  for (const auto& raise : {+[](const std::string& t) { StrToInt(t); },
                            +[](const std::string& t) { TGUID::Parse(t); }}) {
    try {
      raise(huge);
      ADD_FAILURE() << "no error raised";
    } catch (const EConvertError& e) {
      EXPECT_EQ(0u, e.Message().find(expected)) << e.Message().substr(0, 200);
      EXPECT_LT(e.Message().size(), 140u);
    }
  }
}

}  // namespace
}  // namespace host
