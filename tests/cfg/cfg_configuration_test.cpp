#include "cfg_fixture.h"

namespace vtx::cfg::testing {
namespace {

using Kind = cfgConfiguration;

const char kWrittenFile[] =
    "; call control\r\n"
    "  api_trace=error\r\n"
    "\r\n"
    "[module.2]\r\n"
    "  auto_connect=true\r\n"
    "  set_api=vtx\r\n"
    "# ports follow\r\n"
    "[module.2/port.1]\r\n"
    "  port_config=e1_isdn\r\n"
    "  protocol=euro\r\n";

TEST_F(CfgTest, StoreKeepsTheFileByteForByteWhenOneValueChanged) {
  Parse(kWrittenFile);
  EXPECT_EQ(Store(), "<absent>") << "an unmodified model writes nothing";
  EXPECT_TRUE(stored_);
  EXPECT_EQ(Store(true), kWrittenFile);

  EXPECT_TRUE(config_->write("/module.2/port.1/protocol", "q931"));
  std::string expected = kWrittenFile;
  expected.replace(expected.find("euro"), 4, "q931");
  EXPECT_EQ(Store(), expected);

  Parse(kWrittenFile);
  EXPECT_TRUE(config_->write("/module.2/set_api", "vtx"));
  EXPECT_FALSE(config_->root().modified()) << "the same value again is no change";
  EXPECT_EQ(Store(), "<absent>");
}

TEST_F(CfgTest, NewItemsAndSectionsGoWhereTheyBelong) {
  Parse(kWrittenFile);
  EXPECT_TRUE(config_->write("/module.2/channels", 30));
  EXPECT_TRUE(config_->write("/max_trace_files", 3L));
  EXPECT_TRUE(config_->write("/module.2/port.2/", ""));
  EXPECT_TRUE(config_->write("/host_module.1/inbound_call_timeout", 4294967295UL));
  EXPECT_TRUE(config_->write("/module.2/port.2/num_rings", static_cast<short>(-2)));
  EXPECT_EQ(Store(),
            "; call control\r\n"
            "  api_trace=error\r\n"
            "  max_trace_files=3\r\n"
            "\r\n"
            "[module.2]\r\n"
            "  auto_connect=true\r\n"
            "  set_api=vtx\r\n"
            "  channels=30\r\n"
            "# ports follow\r\n"
            "[module.2/port.1]\r\n"
            "  port_config=e1_isdn\r\n"
            "  protocol=euro\r\n"
            "[module.2/port.2]\r\n"
            "  num_rings=-2\r\n"
            "[host_module.1]\r\n"
            "  inbound_call_timeout=4294967295\r\n");
  // What was stored reads back the same.
  cfgConfiguration again(1, 0, nullptr, nullptr, '=', false);
  EXPECT_EQ(again.parseFile(Path("out.cfg").c_str()), 0);
  cfgString value;
  EXPECT_TRUE(again.read("/module.2/port.2/num_rings", value));
  EXPECT_EQ(value, "-2");
}

TEST_F(CfgTest, SectionCreatedByAPathEndingInASlashGetsAHeader) {
  Make();
  EXPECT_TRUE(config_->write("/a/b/", ""));
  EXPECT_TRUE(config_->write("/a/x", "1"));
  EXPECT_TRUE(config_->write("/top", " lead\"q"));
  EXPECT_EQ(Store(), "  top=\" lead\"q\"\r\n[a/b]\r\n[a]\r\n  x=1\r\n");
}

TEST_F(CfgTest, SectionsOfAFileOfCommentsFollowTheComments) {
  Parse("; only a comment\n");
  EXPECT_TRUE(config_->write("/a/k", "v"));
  EXPECT_EQ(Store(), "; only a comment\r\n[a]\r\n  k=v\r\n");
}

TEST_F(CfgTest, ItemNamesCannotStartWithAnExclamationMark) {
  Make();
  EXPECT_FALSE(config_->write("/s/!name", "v"));
  EXPECT_EQ(Texts(Kind::kError),
            std::vector<std::string>{"Configuration Item Name cannot start with '!'."});
  EXPECT_FALSE(config_->hasEntry("/s/!name"));
}

TEST_F(CfgTest, WritesAreTracedOnlyWhenTheMaskAsksForIt) {
  Make(false, Kind::kTrace);
  config_->write("/s/k", "v");
  EXPECT_EQ(Texts(Kind::kTrace),
            (std::vector<std::string>{
                "cfgConfiguration.doWriteString()=>\n  Writing String 'k' = 'v' to Section '/s'",
                "cfgConfiguration.doWriteString()=>\n  Adding Entry k",
                "cfgConfiguration.doWriteString()=>\n  Setting value v"}));
  Make(false, Kind::kWarning | Kind::kError | Kind::kInfo);
  messages_.clear();
  config_->write("/s/k", "v");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(CfgTest, SubsectionsEnumerateInNameOrder) {
  Parse("[module.3]\n[Module.10]\n[host_module.1]\n[module.2]\n");
  cfgString unused;
  config_->read("/clock/x", unused);  // reads create the sections they name
  config_->setCurrentSection("");
  std::vector<std::string> names;
  cfgString name;
  for (size_t index = 0; config_->nextSubsection(name, index);) names.emplace_back(name.view());
  EXPECT_EQ(names, (std::vector<std::string>{"clock", "host_module.1", "Module.10", "module.2",
                                             "module.3"}));
}

TEST_F(CfgTest, PathsResolveRelativeToTheCurrentSectionAndReadsFoldOnRequest) {
  Parse("[a/b]\nk = 1\n[a/c]\nk = 2\n");
  config_->setCurrentSection("/a/b");
  EXPECT_EQ(config_->currentPath(), "/a/b");
  EXPECT_EQ(Read("k"), "1");
  EXPECT_EQ(Read("../c/k"), "2");
  EXPECT_EQ(Read("./k"), "1");
  EXPECT_EQ(config_->currentPath(), "/a/b") << "a read puts the current section back";
  EXPECT_TRUE(config_->hasEntry("/a/c/K"));
  EXPECT_FALSE(config_->hasSubsection("/a/d"));
  config_->setCurrentSection("d/e");
  EXPECT_EQ(config_->currentPath(), "/a/b/d/e");
  config_->setCurrentSection("");
  EXPECT_EQ(config_->currentPath(), "");

  Parse("[s]\nmode = Master\n");
  EXPECT_EQ(Read("/s/mode", true), "master") << "folded on request";
  EXPECT_EQ(Read("/s/mode"), "Master");
}

TEST_F(CfgTest, DeletingASectionRemovesItsLinesAndSubsections) {
  Parse(kWrittenFile);
  config_->setCurrentSection("/module.2/port.1");
  EXPECT_TRUE(config_->deleteSubsection("/module.2"));
  EXPECT_EQ(config_->currentPath(), "");
  EXPECT_FALSE(config_->hasSubsection("/module.2"));
  EXPECT_FALSE(config_->deleteSubsection("/module.2"));
  EXPECT_EQ(Texts(Kind::kInfo),
            std::vector<std::string>{
                "cfgConfiguration.deleteSubsection()=>\n  Deleting section 'module.2' from ''"});
  config_->write("/module.3/k", "v");
  EXPECT_EQ(Store(),
            "; call control\r\n  api_trace=error\r\n[module.3]\r\n  k=v\r\n\r\n"
            "# ports follow\r\n");
}

TEST_F(CfgTest, DumpLeavesOutCommentsAndEmptyLinesAndBothNeedAFileOpenForWriting) {
  Parse(kWrittenFile);
  cfgTextFile out(Path("dump.cfg").c_str());
  out.open(cfgTextFile::kWrite);
  EXPECT_TRUE(config_->dump(out));
  out.close();
  EXPECT_EQ(ReadFile(Path("dump.cfg")),
            "  api_trace=error\r\n[module.2]\r\n  auto_connect=true\r\n  set_api=vtx\r\n"
            "[module.2/port.1]\r\n  port_config=e1_isdn\r\n  protocol=euro\r\n");

  // Both need a file open for writing.
  cfgTextFile in(Path("in.cfg").c_str());
  EXPECT_FALSE(config_->store(in, true));
  EXPECT_FALSE(config_->dump(in));
  EXPECT_EQ(Texts(Kind::kError),
            (std::vector<std::string>{"output stream is bad. configuration cannot be stored. "
                                      "Please check your access rights.",
                                      "output stream is bad. configuration cannot be dumped. "
                                      "Please check your access rights."}));
}

TEST_F(CfgTest, ADestroyedConfigurationRaisesNamingTheOperation) {
  cfgConfiguration& config = Make();
  config.destroy();
  cfgString value;
  const std::string tail =
      "=>\n\t\tImplementation of cfgConfiguration is invalid or has been dead for a while.\n";
  EXPECT_EQ(Raised([&] { config.read("/a/b", value); }),
            "\t\tcfgConfiguration.read('ipath', 'svalue')" + tail);
  EXPECT_EQ(Raised([&] { config.write("/a/b", "v"); }),
            "\t\tcfgConfiguration.write('ipath', 'svalue')" + tail);
  EXPECT_EQ(Raised([&] { config.write("/a/b", 1L); }),
            "\t\tcfgConfiguration.write('ipath', lvalue)" + tail);
  EXPECT_EQ(Raised([&] { config.destroy(); }), "\t\tcfgConfiguration.destroy()" + tail);
  EXPECT_EQ(Raised([&] { config.expandEV(value); }),
            "\t\tcfgConfiguration.expandEV('svalue')" + tail);
  EXPECT_EQ(Raised([&] { config.separator(); }), "\t\tcfgConfiguration.separator()" + tail);
  EXPECT_EQ(Raised([&] { config.escapeCC(); }), "\t\tcfgConfiguration.escapeCC()" + tail);
  EXPECT_EQ(Raised([&] { config.evarsAreExpanded(); }),
            "\t\tcfgConfiguration.evarsAreExpanded()" + tail);
}

}  // namespace
}  // namespace vtx::cfg::testing
