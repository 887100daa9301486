#pragma once
// The hourglass for the lifetime of the object; restored on every way out of a scope.
namespace lumora::platform {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace lumora::platform
