// The event-log writer and the two message boxes.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "sim/sim_machine.h"
#include "tune/event_log_writer.h"
#include "tune/message_boxes.h"

namespace ql::tune {
namespace {

const std::string kSourceKey =
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quillon Tuning Engine 3.0";

class EventLogWriterTest : public ::testing::Test {
 protected:
  sim::SimMachine machine;
  EventLogWriter writer{machine.eventLog, machine.registry};
};

TEST_F(EventLogWriterTest, WritesOneInformationRecordWithTheUserLine) {
  machine.eventLog.userName = "jsmith";
  writer.Write("Quillon Defaults Reset");
  writer.Write("No Quillon Changes Implemented");

  const auto& records = machine.eventLog.Records();
  ASSERT_EQ(records.size(), 2u) << machine.eventLog.ToString();
  EXPECT_EQ(records[0].source, "Quillon Tuning Engine 3.0");
  EXPECT_EQ(records[0].type, evt::kInformation);
  EXPECT_EQ(records[0].category, 0);
  EXPECT_EQ(records[0].eventId, 0u);
  EXPECT_EQ(records[0].strings,
            std::vector<std::string>{"\r\nUser: jsmith\r\nQuillon Defaults Reset"});
  EXPECT_EQ(records[1].strings,
            std::vector<std::string>{"\r\nUser: jsmith\r\nNo Quillon Changes Implemented"});

  // The source's key is made sure of before each record, and left without values.
  EXPECT_TRUE(machine.registry.KeyExists(kSourceKey));
  EXPECT_TRUE(machine.registry.ValueNames(kSourceKey).empty());
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(EventLogWriterTest, UserNamesOfTwentyCharactersOrMoreAreNotAvailable) {
  const std::string nineteen(19, 'u');
  machine.eventLog.userName = nineteen;
  writer.Write("a");
  machine.eventLog.userName = std::string(20, 'v');
  writer.Write("b");
  machine.eventLog.userName = std::string(25, 'w');
  writer.Write("c");
  machine.eventLog.userName = "short";
  machine.eventLog.userNameFaults.FailNext(err::kAccessDenied);
  writer.Write("d");

  const auto& records = machine.eventLog.Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].strings.front(), "\r\nUser: " + nineteen + "\r\na");
  EXPECT_EQ(records[1].strings.front(), "\r\nUser: N/A\r\nb");
  EXPECT_EQ(records[2].strings.front(), "\r\nUser: N/A\r\nc");
  EXPECT_EQ(records[3].strings.front(), "\r\nUser: N/A\r\nd");
}

TEST_F(EventLogWriterTest, WithoutTheUserNameTheRecordIsTheLineBreakAndText) {
  writer.properties().IncludeUserName = false;
  writer.Write("Quillon Tuning Event Initialized");
  ASSERT_EQ(machine.eventLog.Records().size(), 1u);
  EXPECT_EQ(machine.eventLog.Records()[0].strings.front(), "\r\nQuillon Tuning Event Initialized");
}

TEST_F(EventLogWriterTest, OnlyWindowsNtGetsRecords) {
  machine.eventLog.version.platformId = 1;
  writer.Write("x");
  machine.eventLog.version.platformId = 2;
  machine.eventLog.versionFaults.FailNext(err::kInvalidParameter);
  writer.Write("y");
  EXPECT_TRUE(machine.eventLog.Records().empty());
  EXPECT_TRUE(machine.eventLog.Opens().empty());
  EXPECT_FALSE(machine.registry.KeyExists(kSourceKey));
}

TEST_F(EventLogWriterTest, FallsBackToTheLocalLogAndIsSilentWhenNoneOpens) {
  machine.eventLog.openFaults.FailNext(err::kAccessDenied);
  writer.Write("first");
  ASSERT_EQ(machine.eventLog.Opens().size(), 2u);
  EXPECT_EQ(machine.eventLog.Opens()[1].source, "Quillon Tuning Engine 3.0");
  ASSERT_EQ(machine.eventLog.Records().size(), 1u);

  machine.eventLog.openFaults.FailAlways(err::kAccessDenied);
  writer.Write("second");
  EXPECT_EQ(machine.eventLog.Records().size(), 1u);
  machine.eventLog.openFaults.Clear();

  // A refused report still closes the log; a refused source key changes nothing.
  machine.eventLog.reportFaults.FailNext(err::kGenFailure);
  machine.registry.SetAdministrator(false);
  writer.Write("third");
  writer.Write("fourth");
  ASSERT_EQ(machine.eventLog.Records().size(), 2u);
  EXPECT_EQ(machine.eventLog.Records()[1].strings.front(), "\r\nUser: Administrator\r\nfourth");
  EXPECT_TRUE(machine.ui.Boxes().empty());
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

// The machine's event log, whose user-name lookup runs out of memory while a record is being
// put together.
class ThrowingUserNameLog : public sim::SimEventLog {
 public:
  using sim::SimEventLog::SimEventLog;
  bool GetUserName(char*, std::uint32_t*, Status*) override { throw std::bad_alloc(); }
};

TEST(EventLogWriterFailureTest, ALogOpenedForARecordThatCannotBeFormattedIsClosedAgain) {
  sim::SimMachine machine;
  ThrowingUserNameLog log(machine.clock);
  EventLogWriter writer(log, machine.registry);
  writer.Write("Quillon Defaults Reset");
  writer.Write("No Quillon Changes Implemented");
  EXPECT_EQ(log.Opens().size(), 2u);
  EXPECT_TRUE(log.Records().empty());
  EXPECT_EQ(log.OpenHandleCount(), 0u) << log.ToString();
  EXPECT_EQ(log.BadCloseCount(), 0u);
}

TEST(ErrorBoxText, AddsAFullStopUnlessTheTextEndsInOneOrBelowIt) {
  EXPECT_EQ(ErrorBoxText("'abc' is not a valid integer value"),
            "'abc' is not a valid integer value.");
  EXPECT_EQ(ErrorBoxText("Failed to get data for 'MaxLRU'"), "Failed to get data for 'MaxLRU'");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("minus-"), "minus-");  // '-' sorts before '.'
  EXPECT_EQ(ErrorBoxText("a/"), "a/.");         // '/' sorts after it
  EXPECT_EQ(ErrorBoxText("caf\xE9"), "caf\xE9.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(MessageBoxes, BothCarryTheApplicationTitleAndOneButton) {
  sim::SimMachine machine;
  MessageBoxes boxes(machine.ui);
  boxes.SetOwner(0x777);
  boxes.Information("Please enter a non-zero value, resetting...");
  boxes.Error("'' is not a valid integer value");

  const auto& shown = machine.ui.Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Quillon Tuning Engine 5.0 ++ HXM Model");
  EXPECT_EQ(shown[0].style, mb::kOk);
  EXPECT_EQ(shown[0].owner, 0x777u);
  EXPECT_EQ(shown[1].text, "'' is not a valid integer value.");
  EXPECT_EQ(shown[1].caption, "Quillon Tuning Engine 5.0 ++ HXM Model");
  EXPECT_EQ(shown[1].style, mb::kOk | mb::kIconHand);
}

}  // namespace
}  // namespace ql::tune
