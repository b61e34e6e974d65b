// The parts of AtomicOutput that do not depend on the system.
#include "platform/atomic_output.h"

#include <utility>

#include "platform/exclusive_file.h"

namespace platform {

AtomicOutput::AtomicOutput(AtomicOutput&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      written_(other.written_),
      started_(other.started_),
      final_(std::move(other.final_)),
      temp_(std::exchange(other.temp_, {})),
      error_(other.error_),
      on_interrupt_(std::move(other.on_interrupt_)) {}

AtomicOutput& AtomicOutput::operator=(AtomicOutput&& other) noexcept {
  if (this != &other) {
    Discard();
    handle_ = std::exchange(other.handle_, -1);
    written_ = other.written_;
    started_ = other.started_;
    final_ = std::move(other.final_);
    temp_ = std::exchange(other.temp_, {});
    error_ = other.error_;
    on_interrupt_ = std::move(other.on_interrupt_);
  }
  return *this;
}

AtomicOutput::~AtomicOutput() { Discard(); }

bool AtomicOutput::Commit() {
  if (handle_ == -1) return false;  // committed or discarded already
  if (error_ == 0) error_ = FinishFile();
  if (error_ != 0) {
    Discard();
    return false;
  }
  temp_.clear();
  on_interrupt_.Release();
  return true;
}

void AtomicOutput::Discard() {
  const DeferInterrupts defer;  // removed and unregistered as one step
  // Removed while still open, so that it is found through its handle should its folder have
  // been renamed; one that cannot be found is named on standard error.
  if (!temp_.empty()) {
    alignas(wchar_t) char prepared[RemoveOnInterrupt::kMaxPath];
    if (!PrepareRemoval(temp_, prepared, sizeof prepared)) {
      DeleteFile(temp_);
    } else if (!RemoveFileNow(prepared, handle_)) {
      SayNotRemoved(prepared);
    }
  }
  CloseFile();
  temp_.clear();
  on_interrupt_.Release();
}

std::string AtomicOutput::ErrorText() const {
  return error_ == 0 ? std::string() : SystemErrorText(error_);
}

}  // namespace platform
