#pragma once
// Small fakes of the platform services for tests.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fakes/recording_message_boxes.h"
#include "platform/clock.h"
#include "platform/echo_client.h"
#include "platform/error.h"
#include "platform/event_pump.h"
#include "platform/file_chooser.h"
#include "platform/folder_picker.h"
#include "platform/progress_indicator.h"
#include "platform/services.h"
#include "platform/shell.h"

namespace fabrion::test {

// A clock whose time and ticks the test sets; Sleep advances the ticks.
class FakeClock : public Clock {
 public:
  LocalDateTime Now() override { return now; }
  std::uint32_t TickCount() override { return ticks; }
  void SleepMilliseconds(int milliseconds) override {
    ticks += static_cast<std::uint32_t>(milliseconds);
    ++sleeps;
  }
  LocalDateTime now{2026, 12, 9, 13, 45, 59};
  std::uint32_t ticks = 0;
  int sleeps = 0;
};

class CountingEventPump : public EventPump {
 public:
  void ProcessEvents() override {
    ++count;
    if (onProcess) onProcess();
  }
  int count = 0;
  std::function<void()> onProcess;
};

class RecordingShell : public Shell {
 public:
  struct Start {
    std::string program, parameters;
  };
  bool OpenUrl(const std::string& url) override {
    opened.push_back(url);
    return opens;
  }
  bool opens = true;  // whether a browser or file manager "starts"
  bool StartProgram(const std::string& program, const std::string& parameters) override {
    started.push_back({program, parameters});
    return true;
  }
  std::vector<std::string> opened;
  std::vector<Start> started;
};

// Answers each PickFolder with the next queued answer (nothing = cancel).
class ScriptedFolderPicker : public FolderPicker {
 public:
  struct Call {
    std::string title, root, preselected;
  };
  std::optional<std::string> PickFolder(const std::string& title, const std::string& root,
                                        const std::string& preselected) override {
    calls.push_back({title, root, preselected});
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<Call> calls;
};

// Answers each file dialog with the next queued path (nothing = cancel) and
// records what it was asked.
class ScriptedFileChooser : public FileChooser {
 public:
  struct Call {
    std::string title, start, filter;
    bool save = false;
  };
  std::optional<std::string> ChooseFileToOpen(const std::string& title, const std::string& folder,
                                              const std::string& filter) override {
    return Answer({title, folder, filter, false});
  }
  std::optional<std::string> ChooseFileToSave(const std::string& title,
                                              const std::string& suggested,
                                              const std::string& filter) override {
    return Answer({title, suggested, filter, true});
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<Call> calls;

 private:
  std::optional<std::string> Answer(Call call) {
    calls.push_back(std::move(call));
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

class RecordingProgress : public ProgressIndicator {
 public:
  void SetMaximum(std::int64_t maximum) override { maximum_ = maximum; maxima.push_back(maximum); }
  void SetPosition(std::int64_t position) override { position_ = position; ++updates; }
  std::int64_t Position() const override { return position_; }
  std::int64_t Maximum() const override { return maximum_; }
  std::vector<std::int64_t> maxima;
  int updates = 0;

 private:
  std::int64_t maximum_ = 100;
  std::int64_t position_ = 0;
};

// Records each echo and answers as scripted: by default an echo of the request's
// data; a scripted status, no status at all, or an Error instead.
class ScriptedEchoClient : public EchoClient {
 public:
  void Echo(const EchoRequest& request, const ReplyHandler& onReply) override {
    requests.push_back(request);
    if (whileWaiting) whileWaiting();
    if (error) throw Error(*error);
    if (!deliver) return;
    onReply(reply ? *reply : EchoReplyStatus{8 + static_cast<int>(request.data.size()), request.host});
  }
  std::optional<EchoReplyStatus> reply;  // nothing: the echo of the request
  bool deliver = true;                   // false: returns without calling the handler
  std::optional<std::string> error;      // thrown instead of answering
  std::function<void()> whileWaiting;    // runs while the echo "waits" (to move a clock)
  std::vector<EchoRequest> requests;
};

// All fakes together, with the Services bundle over them.
struct FakePlatform {
  RecordingMessageBoxes messages;
  RecordingShell shell;
  ScriptedFolderPicker picker;
  CountingEventPump pump;
  FakeClock clock;
  ScriptedEchoClient echo;
  ScriptedFileChooser files;
  Services services() { return Services{messages, shell, picker, pump, clock, echo, files}; }
};

}  // namespace fabrion::test
