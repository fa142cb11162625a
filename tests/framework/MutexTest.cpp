#include "framework/Mutex.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "framework/MutexLocker.h"
#include "support/ChildProcess.h"

namespace {
// A lock name of its own; the objects of a test process's lock namespace are
// removed when it ends (support/TestMain.cpp).
std::wstring UniqueLockName() {
  static int counter = 0;
  return L"Global\\swmtest:" + std::to_wstring(getpid()) + L":" + std::to_wstring(++counter);
}

// Exit codes of the children, each naming what went wrong.
constexpr int kOk = 0, kLockFailed = 10, kOvertook = 11, kNotTimedOut = 12;
}  // namespace

TEST(Mutex, StreamLockNames) {
  EXPECT_EQ(Mutex::StreamLockName(L"TCPIP:lab-host.local:5025"), L"Global\\VANTORIX:DS:TCPIP:LAB-HOST.LOCAL:5025");
  EXPECT_EQ(Mutex::StreamLockName(L""), L"Global\\VANTORIX:DS:");
}

TEST(Mutex, CreationAndItsFailureStatus) {
  const std::wstring name = UniqueLockName();
  Mutex unnamed;
  EXPECT_FALSE(unnamed.IsCreated());
  EXPECT_EQ(unnamed.Lock(0), Mutex::kNotCreated);
  EXPECT_EQ(unnamed.Create(L""), 0x3000019Fu);
  EXPECT_NE(unnamed.Unlock(), 0u);

  Mutex named(name);
  EXPECT_TRUE(named.IsCreated());
  EXPECT_EQ(named.GetName(), name);
  EXPECT_EQ(named.Close(), 0u);
  EXPECT_FALSE(named.IsCreated());
  // A named lock that is not created yet is created by Lock.
  EXPECT_EQ(named.Lock(0), 0u);
  EXPECT_TRUE(named.IsCreated());
  EXPECT_EQ(named.Unlock(), 0u);

  Mutex later;
  later.SetName(name);
  EXPECT_FALSE(later.IsCreated());
  EXPECT_EQ(later.Lock(0), 0u);
  EXPECT_EQ(later.Unlock(), 0u);
}

TEST(Mutex, OwnerTakesItAgainAndAnotherProcessOnlyAfterTheLastUnlock) {
  const std::wstring name = UniqueLockName();
  Mutex mutex(name);
  ASSERT_EQ(mutex.Lock(1000), 0u);
  ASSERT_EQ(mutex.Lock(0), 0u);  // recursion by the owner

  ChildProcess child([&](const ChildProcess::Channel& parent) {
    Mutex other(name);
    for (;;) {
      const char request = parent.Receive();
      if (request == 'q' || request == 0) return kOk;
      const Status status = other.Lock(0);
      parent.Send(status == 0 ? 'L' : status == Mutex::kTimedOut ? 'T' : 'F');
      if (status == 0) other.Unlock();
    }
  });
  child.Send('?');
  EXPECT_EQ(child.Receive(), 'T');
  EXPECT_EQ(mutex.Unlock(), 0u);
  child.Send('?');
  EXPECT_EQ(child.Receive(), 'T');  // still held once
  EXPECT_EQ(mutex.Unlock(), 0u);
  child.Send('?');
  EXPECT_EQ(child.Receive(), 'L');
  child.Send('q');
  EXPECT_EQ(child.Wait(), kOk);
}

TEST(Mutex, SecondProcessBlocksUntilTheRelease) {
  const std::wstring name = UniqueLockName();
  Mutex mutex(name);
  ASSERT_EQ(mutex.Lock(Mutex::kInfinite), 0u);

  ChildProcess child([&](const ChildProcess::Channel& parent) {
    Mutex other(name);
    if (other.Lock(0) != Mutex::kTimedOut) return kNotTimedOut;
    parent.Send('W');
    if (other.Lock(Mutex::kInfinite) != 0) return kLockFailed;
    // The holder tells of the release before it unlocks: no message yet means
    // this process got in while the lock was held.
    const int result = parent.Receive(0) == 'R' ? kOk : kOvertook;
    other.Unlock();
    return result;
  });
  ASSERT_EQ(child.Receive(), 'W');
  child.Send('R');
  EXPECT_EQ(mutex.Unlock(), 0u);
  EXPECT_EQ(child.Wait(), kOk);
}

TEST(Mutex, TimesOutWithItsStatusWhileAnotherProcessHoldsIt) {
  const std::wstring name = UniqueLockName();
  ChildProcess holder([&](const ChildProcess::Channel& parent) {
    Mutex held(name);
    if (held.Lock(0) != 0) return kLockFailed;
    parent.Send('L');
    parent.Receive();
    held.Unlock();
    return kOk;
  });
  ASSERT_EQ(holder.Receive(), 'L');
  Mutex mutex(name);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(mutex.Lock(50), 0x300001A1u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  EXPECT_EQ(mutex.LockSeconds(0.02), Mutex::kTimedOut);
  EXPECT_EQ(mutex.Lock(0), Mutex::kTimedOut);
  EXPECT_NE(mutex.Unlock(), 0u);  // not the owner
  holder.Send('u');
  EXPECT_EQ(holder.Wait(), kOk);
  EXPECT_EQ(mutex.Lock(0), 0u);
  EXPECT_EQ(mutex.Unlock(), 0u);
}

TEST(Mutex, HolderKilledLeavesItAbandonedAndTheNextLockerObtainsIt) {
  const std::wstring name = UniqueLockName();
  ChildProcess holder([&](const ChildProcess::Channel& parent) {
    Mutex held(name);
    if (held.Lock(0) != 0 || held.Lock(0) != 0) return kLockFailed;  // held twice
    parent.Send('L');
    parent.Receive(600000);
    return kOk;
  });
  ASSERT_EQ(holder.Receive(), 'L');
  Mutex mutex(name);
  EXPECT_EQ(mutex.Lock(0), Mutex::kTimedOut);
  holder.Kill();
  EXPECT_EQ(holder.Wait(), -1);

  EXPECT_EQ(mutex.Lock(5000), 0u);
  EXPECT_TRUE(mutex.LastLockAbandoned());
  EXPECT_EQ(mutex.Unlock(), 0u);
  // Made consistent: usable as usual from now on, by this and other processes.
  EXPECT_EQ(mutex.Lock(0), 0u);
  EXPECT_FALSE(mutex.LastLockAbandoned());
  EXPECT_EQ(mutex.Unlock(), 0u);
  ChildProcess next([&](const ChildProcess::Channel&) {
    Mutex other(name);
    if (other.Lock(0) != 0 || other.LastLockAbandoned()) return kLockFailed;
    return other.Unlock() == 0 ? kOk : kLockFailed;
  });
  EXPECT_EQ(next.Wait(), kOk);
}

TEST(Mutex, ThreadThatEndsHoldingItLeavesItAbandoned) {
  const std::wstring name = UniqueLockName();
  Mutex mutex(name);
  Status taken = 1;
  std::thread([&] {
    Mutex held(name);
    taken = held.Lock(0);
  }).join();
  ASSERT_EQ(taken, 0u);
  EXPECT_EQ(mutex.Lock(0), 0u);
  EXPECT_TRUE(mutex.LastLockAbandoned());
  EXPECT_EQ(mutex.Unlock(), 0u);
}

TEST(MutexLocker, UnlocksEveryTakeWhenItGoesOutOfScope) {
  const std::wstring name = UniqueLockName();
  Mutex mutex(name);
  {
    MutexLocker locker(mutex);
    EXPECT_FALSE(locker.IsLocked());
    ASSERT_EQ(locker.Lock(0), 0u);
    ASSERT_EQ(locker.LockSeconds(1.0), 0u);
    EXPECT_TRUE(locker.IsLocked());
    Status fromOtherThread = 0;
    std::thread([&] { fromOtherThread = Mutex(name).Lock(0); }).join();
    EXPECT_EQ(fromOtherThread, Mutex::kTimedOut);
  }
  Status afterScope = 1;
  std::thread([&] {
    Mutex other(name);
    afterScope = other.Lock(0);
    other.Unlock();
  }).join();
  EXPECT_EQ(afterScope, 0u);
}
