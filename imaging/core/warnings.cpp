#include "imaging/core/warnings.h"

#include <mutex>

#include "imaging/core/messages.h"

namespace lumora {
namespace {
std::mutex g_mutex;
TWarningPrompt g_prompt;
}  // namespace

TWarningPrompt SetWarningPrompt(TWarningPrompt prompt) {
  std::lock_guard lock(g_mutex);
  std::swap(g_prompt, prompt);
  return prompt;
}

bool ResolveWarning(TPGWarningAction action, const std::string& text) {
  return ResolveWarning(action, text, PGMessage(msgWarning));
}

bool ResolveWarning(TPGWarningAction action, const std::string& text, const std::string& caption) {
  switch (action) {
    case pgwaIgnore:
      return true;
    case pgwaRaise:
      return false;
    case pgwaOKBox:
    case pgwaOKCancelBox: {
      TWarningPrompt prompt;
      {
        std::lock_guard lock(g_mutex);
        prompt = g_prompt;
      }
      if (!prompt) return true;
      const bool goOn = prompt(caption, text, action == pgwaOKCancelBox);
      return action == pgwaOKBox || goOn;
    }
  }
  return false;
}

}  // namespace lumora
