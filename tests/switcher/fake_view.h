// A SwitcherView that records every call in order and answers the open
// dialog from a script of paths.

#ifndef QORVANE_TESTS_SWITCHER_FAKE_VIEW_H_
#define QORVANE_TESTS_SWITCHER_FAKE_VIEW_H_

#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "switcher/switcher_view.h"

namespace qorvane::testing {

struct ViewCall {
  std::string op;  // "message", "status", "path", "ask", "quit"
  std::string text{};
  std::string title{};
  MessageKind kind = MessageKind::Information;

  bool operator==(const ViewCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ViewCall& call) {
  return out << call.op << "(\"" << call.text << "\", \"" << call.title
             << "\", " << (call.kind == MessageKind::Warning ? "W" : "I")
             << ")";
}

inline ViewCall Warning(std::string text) {
  return {"message", std::move(text), "警 告", MessageKind::Warning};
}

class FakeView : public SwitcherView {
 public:
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override {
    calls.push_back({"message", std::string(text), std::string(title), kind});
  }
  void SetStatus(std::string_view text) override {
    calls.push_back({"status", std::string(text)});
    if (on_status) on_status();
  }
  void SetPathText(std::string_view text) override {
    calls.push_back({"path", std::string(text)});
  }
  std::filesystem::path AskOpenFile(std::string_view title,
                                    std::string_view filter) override {
    calls.push_back({"ask", std::string(filter), std::string(title)});
    std::filesystem::path answer;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    return answer;
  }
  void QuitTool() override { calls.push_back({"quit"}); }

  std::vector<ViewCall> calls;
  std::deque<std::filesystem::path> answers;
  std::function<void()> on_status;
};

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SWITCHER_FAKE_VIEW_H_
