// One key of a registry file: read without keeping the file's lines, and kept
// while the file does not change.
#include "host/rtl/regfile_detail.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <unordered_map>

namespace host {

using regfile_detail::DecodeFile;
using regfile_detail::FileText;
using regfile_detail::IsSameOrAncestor;
using regfile_detail::Parser;
using regfile_detail::PathFault;
using regfile_detail::ReadBytes;
using regfile_detail::SamePath;
using regfile_detail::SplitKeyPath;

namespace {

// What the lines, imported in order, leave in one key (as RegFile::Rebuild,
// for that key alone): a key section of the key or of a key below it makes it
// exist, a deletion of it or of a key above it deletes it with its values.
class KeyReader {
 public:
  explicit KeyReader(std::string_view keyPath) {
    valid_ = SplitKeyPath(keyPath, target_) == PathFault::None;
    result_.exists = valid_ && target_.size() == 1;  // a standard root always exists
  }

  void Apply(const RegLine& line) {
    if (!valid_) return;
    switch (line.kind) {
      case RegLineKind::Key:
        if (IsSameOrAncestor(target_, line.path)) result_.exists = true;
        inKey_ = SamePath(line.path, target_);
        break;
      case RegLineKind::KeyDelete:
        inKey_ = false;
        if (IsSameOrAncestor(line.path, target_)) {
          result_.exists = false;
          result_.values.clear();
          alive_.clear();
          index_.clear();
        }
        break;
      case RegLineKind::Value: {
        if (!inKey_) break;
        folded_.clear();
        for (char c : line.name) folded_ += LowCase(c);
        const auto [found, added] = index_.emplace(folded_, result_.values.size());
        if (added) {
          result_.values.push_back(RegNamedValue{line.name, line.value});
          alive_.push_back(true);
        } else {
          result_.values[found->second].value = line.value;
        }
        break;
      }
      case RegLineKind::ValueDelete: {
        if (!inKey_) break;
        folded_.clear();
        for (char c : line.name) folded_ += LowCase(c);
        const auto found = index_.find(folded_);
        if (found == index_.end()) break;
        alive_[found->second] = false;
        index_.erase(found);
        break;
      }
      default:
        break;
    }
  }

  RegKeyValues Result() {
    RegKeyValues result;
    result.exists = result_.exists;
    for (size_t i = 0; i < result_.values.size(); ++i) {
      if (alive_[i]) result.values.push_back(std::move(result_.values[i]));
    }
    return result;
  }

 private:
  std::vector<std::string> target_;
  bool valid_ = false;
  bool inKey_ = false;  // the current section is the key's
  RegKeyValues result_;
  std::vector<bool> alive_;                        // false for a deleted value
  std::unordered_map<std::string, size_t> index_;  // folded name: index in result_.values
  std::string folded_;
};

}  // namespace

const RegNamedValue* RegKeyValues::FindValue(std::string_view name) const {
  for (const RegNamedValue& value : values) {
    if (SameText(value.name, name)) return &value;
  }
  return nullptr;
}

RegKeyValues ReadRegKey(std::string_view bytes, std::string_view keyPath,
                        const std::string& fileNameForErrors) {
  KeyReader reader(keyPath);
  if (bytes.empty()) return reader.Result();
  std::string decoded;
  const FileText text = DecodeFile(bytes, fileNameForErrors, decoded);
  Parser parser(text.text, fileNameForErrors, text.version, false);
  parser.Run([&](const RegLine& line) { reader.Apply(line); });
  return reader.Result();
}

// ---- Read again only when the file changed --------------------------------

namespace {

int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint64_t HashOf(std::string_view bytes) {
  return std::hash<std::string_view>{}(bytes);
}

}  // namespace

RegFileKey::RegFileKey(std::string path, std::string keyPath, int settleSeconds)
    : path_(std::move(path)), keyPath_(std::move(keyPath)), settleSeconds_(settleSeconds) {}

RegFileKey::StampResult RegFileKey::TakeStamp(Stamp& stamp) const {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? StampResult::Missing : StampResult::Error;
  }
  stamp.device = static_cast<uint64_t>(info.st_dev);
  stamp.inode = static_cast<uint64_t>(info.st_ino);
  stamp.size = static_cast<uint64_t>(info.st_size);
#ifdef _WIN32
  // Whole seconds only: the settling time covers what a finer stamp would tell.
  stamp.modified = static_cast<int64_t>(info.st_mtime);
  stamp.changed = static_cast<int64_t>(info.st_ctime);
#else
  stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec);
  stamp.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_nsec);
  stamp.changed = static_cast<int64_t>(info.st_ctim.tv_sec);
  stamp.changedNs = static_cast<int64_t>(info.st_ctim.tv_nsec);
#endif
  return StampResult::Present;
}

// Whether no write after now can leave stamp as it is: its last modification
// and status change lie more than the settling time before now.
bool RegFileKey::Settled(const Stamp& stamp, int64_t now) const {
  const int64_t latest = std::max(stamp.modified * 1000000000 + stamp.modifiedNs,
                                  stamp.changed * 1000000000 + stamp.changedNs);
  return latest < now - int64_t{settleSeconds_} * 1000000000;
}

const RegKeyValues& RegFileKey::Current() {
  if (!loaded_) {
    Load();
    return key_;
  }
  Stamp now;
  const StampResult result = TakeStamp(now);
  if (!present_ && result == StampResult::Missing) return key_;
  if (present_ && result == StampResult::Present && now == stamp_) {
    if (settled_) return key_;
    // The status cannot tell yet: compare the bytes.
    const int64_t clock = NowNs();
    std::string bytes;
    if (ReadBytes(path_, path_, bytes) && bytes.size() == stamp_.size && HashOf(bytes) == hash_) {
      Stamp after;
      if (TakeStamp(after) == StampResult::Present && after == stamp_) {
        settled_ = Settled(stamp_, clock);
        return key_;
      }
    }
  }
  Load();
  return key_;
}

// Reads the file and the key. The status taken before the read is kept only
// when it is the same after it; otherwise the next use reads again.
void RegFileKey::Load() {
  loaded_ = false;
  const int64_t clock = NowNs();
  Stamp before;
  const StampResult beforeResult = TakeStamp(before);
  std::string bytes;
  const bool present = ReadBytes(path_, path_, bytes);
  ++reads_;
  key_ = ReadRegKey(present ? std::string_view(bytes) : std::string_view(), keyPath_, path_);
  Stamp after;
  const StampResult afterResult = TakeStamp(after);
  present_ = present;
  if (!present) {
    loaded_ = beforeResult == StampResult::Missing && afterResult == StampResult::Missing;
    return;
  }
  if (beforeResult != StampResult::Present || afterResult != StampResult::Present ||
      !(before == after) || before.size != bytes.size()) {
    return;
  }
  stamp_ = before;
  settled_ = Settled(stamp_, clock);
  hash_ = settled_ ? 0 : HashOf(bytes);
  loaded_ = true;
}

}  // namespace host
