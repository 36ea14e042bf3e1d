#include "cfg/cfg_syntax.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/environment.h"

namespace vtx::cfg::syntax {
namespace {

std::string ItemLine(std::string_view key, std::string_view value, bool escaping) {
  std::string out;
  writeItemLine(key, '=', value, escaping, out);
  return out;
}

TEST(CfgSyntax, WrittenFormsEscapeKeysAndQuoteLeadingWhiteSpace) {
  EXPECT_EQ(ItemLine("a@_/-!.*%Z9", "v", true), "  a@_/-!.*%Z9=v");
  EXPECT_EQ(ItemLine("my key=x", "v", true), "  my\\ key\\=x=v");
  EXPECT_EQ(ItemLine("my key", "v", false), "  my key=v");
  EXPECT_EQ(ItemLine("k", " a\t\"\\\n\r", true), "  k=\" a\\t\\\"\\\\\\n\\r\"");
  EXPECT_EQ(ItemLine("k", "\tx\\", false), "  k=\"\tx\\\"");
  std::string header;
  writeHeaderLine("module.2/port 1", true, header);
  EXPECT_EQ(header, "[module.2/port\\ 1]");
}

TEST(CfgSyntax, WrittenItemsReadBackAsTheyWere) {
  for (std::string value : {"plain", "  lead", "tab\there", "back\\slash", "new\nline"}) {
    std::string line = ItemLine("key", value, true);
    Item item = scanItem(skipWhite(line));
    std::string name, decoded(item.value.size(), '\0');
    unescapeName(item.key, name);
    decoded.resize(decodeValue(item.value, true, decoded.data()));
    EXPECT_EQ(name, "key");
    EXPECT_EQ(decoded, value) << line;
  }
}

TEST(CfgSyntax, EnvironmentExpansionForms) {
  vtx::testing::SetVariable("CFG_SYNTAX_V", "val");
  vtx::testing::UnsetVariable("CFG_SYNTAX_NONE");
  std::string out;
  expandEnvironment("%CFG_SYNTAX_V%|$CFG_SYNTAX_V|${CFG_SYNTAX_V}|$(CFG_SYNTAX_V)", out);
  EXPECT_EQ(out, "val|val|val|val");
  expandEnvironment("${CFG_SYNTAX_NONE}|$|%|\\$CFG_SYNTAX_V|$ x", out);
  EXPECT_EQ(out, "${CFG_SYNTAX_NONE}|$|%|$CFG_SYNTAX_V|$ x");
}

}  // namespace
}  // namespace vtx::cfg::syntax
