#include "fake_services.h"

namespace cardwedge {

std::string FakeFiles::Normal(const std::string& path) {
  std::string normal;
  for (char c : path) {
    if (c != '/' || normal.empty() || normal.back() != '/') normal += c;
  }
  return normal;
}

bool FakeFiles::FileExists(const std::string& given) {
  const std::string path = Normal(given);
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return files_.contains(path) && !name.empty() && name.front() != '.';
}

void FakeFiles::CreateIfMissing(const std::string& given) {
  const std::string path = Normal(given);
  if (folders_.contains(path)) throw FileError("\"" + path + "\": cannot be created");
  files_.try_emplace(path);
}

std::string FakeFiles::ReadAll(const std::string& given, std::size_t maxBytes) {
  const std::string path = Normal(given);
  const auto file = files_.find(path);
  if (file == files_.end()) throw FileError("\"" + path + "\": cannot be opened");
  if (file->second.size() > maxBytes) {
    throw FileError("\"" + path + "\": larger than " + std::to_string(maxBytes) + " bytes");
  }
  return file->second;
}

void FakeFiles::Delete(const std::string& given) {
  const std::string path = Normal(given);
  if (files_.erase(path) == 0) throw FileError("\"" + path + "\": cannot be deleted");
}

std::string FakeFiles::Read(const std::string& name) const {
  const auto file = files_.find(PathOf(name));
  return file == files_.end() ? std::string() : file->second;
}

bool FakeFiles::Exists(const std::string& name) const {
  return files_.contains(PathOf(name)) || folders_.contains(PathOf(name));
}

void FakeFiles::MakeFolder(const std::string& name) {
  files_.erase(PathOf(name));
  folders_.insert(PathOf(name));
}

void FakeFiles::Remove(const std::string& name) {
  files_.erase(PathOf(name));
  folders_.erase(PathOf(name));
}

void FakeKeyboard::CheckFocusedWindow() {
  if (focusedWindowRefuses) {
    throw TypingError("the focused window's input method is on", TypingError::Cause::kInputMethod);
  }
}

void FakeKeyboard::Send(const std::vector<KeyEvent>& sent) {
  CheckFocusedWindow();
  if (failing) throw TypingError("keyboard unavailable");
  events.insert(events.end(), sent.begin(), sent.end());
  if (onSend) onSend();
}

std::string FakeKeyboard::TypedText() const {
  std::string text;
  bool shift = false;
  for (const KeyEvent& event : events) {
    if (event.virtualKey == kVkShift) {
      shift = event.down;
    } else if (!event.down) {
      continue;
    } else if (event.virtualKey == kVkReturn) {
      text += '\n';
    } else if (event.virtualKey >= 'A' && event.virtualKey <= 'Z') {
      text += static_cast<char>(shift ? event.virtualKey : event.virtualKey + ('a' - 'A'));
    } else {
      text += static_cast<char>(event.virtualKey);
    }
  }
  return text;
}

}  // namespace cardwedge
