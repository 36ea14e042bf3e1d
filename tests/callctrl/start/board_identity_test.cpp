#include "callctrl/board/board_identity.h"

#include "callctrl/module_tables.h"
#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

TEST(BoardTypeTest, TheFirstNameTheBoardNameContainsDecides) {
  EXPECT_EQ(BoardTypeFromName("ORMSBY chassis slot 1"), kBoardOrmsby);
  EXPECT_EQ(BoardTypeFromName("GANTRY PCI bus 3"), kBoardGantry);
  EXPECT_EQ(BoardTypeFromName("GANTRY beside a CORBEL"), kBoardGantry);
  EXPECT_EQ(BoardTypeFromName("CORBEL beside an ORMSBY"), kBoardOrmsby) << "table order, not text";
  EXPECT_EQ(BoardTypeFromName("gantry"), kBoardUnknown);
  EXPECT_EQ(BoardTypeFromName(""), kBoardUnknown);
  EXPECT_STREQ(BoardTypeName(kBoardTruss), "TRUSS");
  EXPECT_STREQ(BoardTypeName(kBoardUnknown), "unknown");
}

TEST(BoardTypeTest, BusInterfaceVariantsNeedATypedPortZero) {
  BoardModule module;
  module.board_type = kBoardHalvard;
  module.record.clock_source = 3;  // trunkc
  RefineBoardType(module);
  EXPECT_EQ(module.board_type, kBoardHalvard) << "port 0 reported no type";

  module.port_types[0] = 0x4;  // an MVIP bus interface
  RefineBoardType(module);
  EXPECT_EQ(module.board_type, kBoardHalvardBus);
  EXPECT_EQ(module.record.clock_source, 0) << "a trunk clock becomes internal";
  EXPECT_STREQ(BoardTypeName(module.board_type), "HALVARD with bus interface");

  module.board_type = kBoardOrmsby;
  module.record.clock_source = 3;
  RefineBoardType(module);
  EXPECT_EQ(module.board_type, kBoardOrmsbyBus);
  EXPECT_EQ(module.record.clock_source, 3);

  module.board_type = kBoardGantry;
  RefineBoardType(module);
  EXPECT_EQ(module.board_type, kBoardGantry);
}

TEST_F(StartTest, BoardsAreIdentifiedByNameAndFirmwareState) {
  machine().FindModule(3)->SetName("HALVARD PCI bus 4");  // its port 0 is typed (analog)
  sim::Module& plinth = machine().AddModule(4);
  plinth.info() = machine().FindModule(3)->info();
  plinth.info().mod_num = 4;
  plinth.SetName("PLINTH PCI bus 5");
  sim::Module& unloaded = machine().AddModule(5);
  unloaded.info() = machine().FindModule(3)->info();
  unloaded.info().mod_num = 5;
  unloaded.SetName("CORBEL PCI bus 6");
  unloaded.info().hw_info = 1;
  Configure("[module.0]\n[module.0/clock_config]\nclock_source = trunkb\n");
  ASSERT_EQ(Init(), 1) << Trace();
  EXPECT_EQ(BoardModuleAt(2).board_type, kBoardGantry);
  EXPECT_EQ(BoardModuleAt(3).board_type, kBoardHalvardBus);
  ASSERT_NE(BoardModuleAt(3).module, nullptr);
  EXPECT_EQ(BoardModuleAt(3).module->record.clock_source, 0);
  EXPECT_EQ(BoardModuleAt(3).channel_count, 4u);
  EXPECT_EQ(BoardModuleAt(3).module->port_count, 4u);
  EXPECT_TRUE(Traced("Unable to identify board type, module 0x4")) << Trace();
  EXPECT_TRUE(Traced("Unable to get capabilities module 0x4, skipping..."));
  EXPECT_TRUE(Traced("Firmware not loaded module 0x5"));
  EXPECT_TRUE(Traced("Error starting board module 0x5"));
  EXPECT_EQ(BoardModuleAt(4).module, nullptr);
}

}  // namespace
}  // namespace vtx::callctrl::testing
