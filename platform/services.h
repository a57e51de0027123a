#pragma once
// The platform services a window reaches the user and the machine through;
// the program passes the real ones, tests pass recording fakes.

namespace fabrion {

class Clock;
class EchoClient;
class EventPump;
class FileChooser;
class FolderPicker;
class MessageBoxes;
class Shell;

struct Services {
  MessageBoxes& messages;
  Shell& shell;
  FolderPicker& picker;
  EventPump& pump;
  Clock& clock;
  EchoClient& echo;
  FileChooser& files;
};

}  // namespace fabrion
