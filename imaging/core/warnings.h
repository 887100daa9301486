#pragma once
// Warnings of readers and of saving go through one prompt callback. The core never
// opens a dialog: the Qt layer installs a message box, the CLI answers by itself.
#include <functional>
#include <string>

#include "imaging/core/pg_types.h"

namespace lumora {

// Shows `text` under `caption`; with `withCancel` the user may cancel. Returns true to go on.
using TWarningPrompt = std::function<bool(const std::string& caption, const std::string& text, bool withCancel)>;

// Installs the prompt (an empty function restores the default, which answers OK).
// Returns the previous prompt.
TWarningPrompt SetWarningPrompt(TWarningPrompt prompt);

// Applies a warning action: pgwaIgnore goes on, pgwaOKBox tells and goes on,
// pgwaOKCancelBox asks, pgwaRaise does not go on. Returns true to go on.
bool ResolveWarning(TPGWarningAction action, const std::string& text);
// The same with the box's caption given (a reader's own warning caption).
bool ResolveWarning(TPGWarningAction action, const std::string& text, const std::string& caption);

class TScopedWarningPrompt {
 public:
  explicit TScopedWarningPrompt(TWarningPrompt prompt) : saved_(SetWarningPrompt(std::move(prompt))) {}
  ~TScopedWarningPrompt() { SetWarningPrompt(std::move(saved_)); }

 private:
  TWarningPrompt saved_;
};

}  // namespace lumora
