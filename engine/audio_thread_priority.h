// Registers the calling thread with the multimedia class scheduler in the
// "Audio" class at high priority for the lifetime of the object, so audio
// threads keep up while the machine is busy. Registration may fail (the
// service is off, or the platform lacks it); the thread then runs at its
// normal priority.
#pragma once

#include <windows.h>
#include <avrt.h>

namespace quorvel::windows {

class AudioThreadPriority {
 public:
  AudioThreadPriority() {
    DWORD task_index = 0;
    task_ = AvSetMmThreadCharacteristicsW(L"Audio", &task_index);
    if (task_) AvSetMmThreadPriority(task_, AVRT_PRIORITY_HIGH);
  }
  ~AudioThreadPriority() {
    if (task_) AvRevertMmThreadCharacteristics(task_);
  }
  AudioThreadPriority(const AudioThreadPriority&) = delete;
  AudioThreadPriority& operator=(const AudioThreadPriority&) = delete;

  bool registered() const { return task_ != nullptr; }

 private:
  HANDLE task_ = nullptr;
};

}  // namespace quorvel::windows
