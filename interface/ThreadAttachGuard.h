#pragma once
// Thread attach and detach: every export touches a thread_local guard, so a
// thread's first call into the module attaches it and the thread's exit
// detaches it. The thread that attached the process gets neither.
class ThreadAttachGuard {
public:
  // Cheap after the first call on a thread.
  static void Touch();

  ThreadAttachGuard();
  ~ThreadAttachGuard();
  ThreadAttachGuard(const ThreadAttachGuard&) = delete;
  ThreadAttachGuard& operator=(const ThreadAttachGuard&) = delete;

private:
  bool attached_ = false;
};
