// The swmhost prompt on a terminal: line editing, history kept between
// sessions, TAB completion, and quit.
#include <gtest/gtest.h>

#include <fstream>

#include "support/LoopbackResponder.h"
#include "support/PtyProgram.h"
#include "support/TestFiles.h"

namespace {
const std::string kLeft = "\033[D", kUp = "\033[A", kErase = "\x7f", kEnd = "\x04";

std::vector<std::string> Environment(const TestDirectory& home) {
  return {"HOME=" + home.Path(), "XDG_STATE_HOME=" + home.Path() + "/state", "SWMATRIX_MESSAGEBOX=ok", "TERM=xterm"};
}
}  // namespace

// Types the keys and waits for the text, then for the next prompt and the
// editor reading keys again.
::testing::AssertionResult Enter(PtyProgram& host, const std::string& keys, const std::string& shown) {
  host.Type(keys);
  if (host.Expect(shown) && host.Expect("swmhost> ") && host.ExpectCharacterMode())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no '" << shown << "' after typing '" << keys << "':\n" << host.Screen();
}

TEST(SwmhostPrompt, EditsRecallsCompletesAndQuits) {
  TestDirectory home;
  {
    PtyProgram host({SWM_BUILD_DIR "/bin/swmhost"}, Environment(home));
    ASSERT_TRUE(host.Expect("swmhost> ") && host.ExpectCharacterMode()) << host.Screen();
    // TAB completes a type key.
    host.Type("create a DEBUGSW\t");
    ASSERT_TRUE(host.Expect("MATRIX")) << host.Screen();
    ASSERT_TRUE(Enter(host, "\r", "create a DEBUGSWITCHMATRIX -> 0x00000000 id 0"));
    // A typo mended with the arrow and erase keys.
    ASSERT_TRUE(Enter(host, "drivxrs" + kLeft + kLeft + kErase + "e\r", "a = 0"));
    // The line before the last one recalled: the module creates a second driver.
    ASSERT_TRUE(Enter(host, kUp + kUp + "\r", "create a DEBUGSWITCHMATRIX -> 0x00000000 id 1"));
    ASSERT_TRUE(Enter(host, "drivers\r", "a = 1"));
    // A command (as far as 'event' and 'events' agree), the driver name and
    // an event name, each completed.
    host.Type("ev\t");
    ASSERT_TRUE(host.Expect("ent")) << host.Screen();
    host.Type(" \t");
    ASSERT_TRUE(host.Expect("a ")) << host.Screen();
    host.Type("frequencych\t");
    ASSERT_TRUE(host.Expect("FrequencyChanged ")) << host.Screen();
    ASSERT_TRUE(Enter(host, "80\r", "event a FrequencyChanged 80 -> 0x00000000"));
    // An unknown word is an unknown command, with the nearest one.
    ASSERT_TRUE(Enter(host, "quitt\r", "error: unknown command 'quitt' (did you mean quit? try help)"));
    host.Type("quit\r");
    EXPECT_EQ(host.Wait(), 1);  // 'quitt' failed
  }
  // The next session recalls the lines of the last one.
  PtyProgram host({SWM_BUILD_DIR "/bin/swmhost"}, Environment(home));
  ASSERT_TRUE(host.Expect("swmhost> ") && host.ExpectCharacterMode()) << host.Screen();
  ASSERT_TRUE(Enter(host, kUp + kUp + kUp + "\r", "error: no driver named 'a'"));
  host.Type(kEnd);
  EXPECT_EQ(host.Wait(), 1);
}

// On a terminal a call that waits shows the seconds it has waited, erases
// that line when it returns, and says how long it took.
TEST(SwmhostPrompt, CountsTheSecondsOfAWaitingCall) {
  TestDirectory home;
  LoopbackResponder silent(LoopbackResponder::Mode::kSilent);
  std::ofstream(home.File("silent.ini")) << "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\n"
                                            "ReturnedID=X\nTimeOutTimeSeconds=2.5\n"
                                            "[SwitchMatrix.Stream Config]\nSelected=TCPIP\n"
                                            "[SwitchMatrix.Stream Config.Ethernet]\nAddress=127.0.0.1:"
                                         << silent.Port() << "\n";
  PtyProgram host({SWM_BUILD_DIR "/bin/swmhost"}, Environment(home));
  ASSERT_TRUE(host.Expect("swmhost> ") && host.ExpectCharacterMode()) << host.Screen();
  ASSERT_TRUE(Enter(host, "create w KOVALEXWTXSWITCH\r", "-> 0x00000000 id 0"));
  ASSERT_TRUE(Enter(host, "load w " + home.File("silent.ini") + "\r", "-> 0x00000000"));
  host.Type("check w\r");
  ASSERT_TRUE(host.Expect("\rwaiting 1 s for check w...\033[K")) << host.Screen();
  ASSERT_TRUE(host.Expect("\r\033[Kcheck w -> 0x30000097 \"Nothing answered the identification query")) << host.Screen();
  ASSERT_TRUE(host.Expect("  took ")) << host.Screen();
  host.Type("quit\r");
  EXPECT_EQ(host.Wait(), 1);
}
