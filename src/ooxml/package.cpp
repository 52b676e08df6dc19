#include "ooxml/package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "ooxml/compound_file.h"
#include "platform/interruption.h"
#include "platform/platform_error.h"
#include "platform/temp_file.h"

namespace tallyvane::ooxml {
namespace {

zip_t* Zip(void* p) { return static_cast<zip_t*>(p); }

std::string ReadWholeFile(const std::string& path, unsigned long long limit, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = std::strerror(errno);
    return {};
  }
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0) {
    *error = "cannot read the file";
    return {};
  }
  if (static_cast<unsigned long long>(size) > limit) {
    *error = "the file is too large";
    return {};
  }
  in.seekg(0);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && !in.read(bytes.data(), size)) {
    *error = "cannot read the file";
    return {};
  }
  return bytes;
}

void FsyncPath(const std::string& path, bool directory) {
  int fd = ::open(path.c_str(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Feeds a PartStream to libzip piece by piece. No exception may cross the
// C library: a failing piece becomes a libzip error.
struct StreamState {
  PartStream* stream = nullptr;
  std::string buffer;
  size_t offset = 0;
  bool done = false;
  long long size = -1;  // a size below 4 GiB keeps the entry out of ZIP64
  zip_error_t error;
};

// The size of a streamed part, by producing it once into a reused buffer.
long long MeasureStream(PartStream* stream) {
  long long size = 0;
  std::string piece;
  stream->Restart();
  for (;;) {
    piece.clear();
    bool more = stream->Next(piece);
    size += static_cast<long long>(piece.size());
    if (!more) break;
  }
  return size;
}

zip_int64_t ReadStream(StreamState* s, char* out, zip_uint64_t len) {
  zip_uint64_t n = 0;
  try {
    while (n < len) {
      // A stop asked for ends the save: the caller removes what was written.
      if (PendingInterruption() != 0) {
        zip_error_set(&s->error, ZIP_ER_CANCELLED, 0);
        return -1;
      }
      if (s->offset == s->buffer.size()) {
        if (s->done) break;
        s->buffer.clear();
        s->offset = 0;
        s->done = !s->stream->Next(s->buffer);
        continue;
      }
      size_t take = std::min<size_t>(static_cast<size_t>(len - n), s->buffer.size() - s->offset);
      std::memcpy(out + n, s->buffer.data() + s->offset, take);
      s->offset += take;
      n += take;
    }
  } catch (...) {
    zip_error_set(&s->error, ZIP_ER_MEMORY, 0);
    return -1;
  }
  return static_cast<zip_int64_t>(n);
}

zip_int64_t StatStream(StreamState* s, zip_stat_t* st) {
  // libzip uses the size only to choose plain or ZIP64 headers and records
  // the sizes it actually wrote, so a bound will do; without a size it
  // would write ZIP64 headers, which the desktop spreadsheet may refuse.
  try {
    if (s->size < 0) s->size = s->stream->SizeBound();
    if (s->size < 0) s->size = MeasureStream(s->stream);
  } catch (...) {
    zip_error_set(&s->error, ZIP_ER_MEMORY, 0);
    return -1;
  }
  zip_stat_init(st);
  st->mtime = std::time(nullptr);
  st->valid |= ZIP_STAT_MTIME;
  if (s->size < 0xFFFFFFFFll) {
    st->size = static_cast<zip_uint64_t>(s->size);
    st->valid |= ZIP_STAT_SIZE;
  }
  return sizeof(*st);
}

zip_int64_t StreamCallback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
  auto* s = static_cast<StreamState*>(user);
  switch (cmd) {
    case ZIP_SOURCE_OPEN: try { s->stream->Restart();
      } catch (...) {
        zip_error_set(&s->error, ZIP_ER_INTERNAL, 0);
        return -1;
      }
      s->buffer.clear();
      s->offset = 0;
      s->done = false;
      return 0;
    case ZIP_SOURCE_READ: return ReadStream(s, static_cast<char*>(data), len);
    case ZIP_SOURCE_CLOSE:
      s->stream->Stop();
      std::string().swap(s->buffer);
      return 0;
    case ZIP_SOURCE_STAT: return StatStream(s, static_cast<zip_stat_t*>(data));
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&s->error, data, len);
    case ZIP_SOURCE_FREE:
      zip_error_fini(&s->error);
      delete s;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                            ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0); return -1;
  }
}

zip_source_t* StreamSource(zip_t* archive, PartStream* stream) {
  auto* state = new StreamState();
  state->stream = stream;
  zip_error_init(&state->error);
  zip_source_t* src = zip_source_function(archive, StreamCallback, state);
  if (!src) {
    zip_error_fini(&state->error);
    delete state;
  }
  return src;
}

}  // namespace

Package::~Package() {
  if (archive_) zip_discard(Zip(archive_));
}

void Package::Fail(const std::string& reason) const {
  throw PlatformError("cannot open \"" + shown_ + "\": " + reason);
}

std::unique_ptr<Package> Package::Open(const std::string& path, const PackageLimits& limits, const std::string& shown) {
  std::unique_ptr<Package> p(new Package());
  p->path_ = path;
  p->shown_ = path;  // until the file itself has been read
  p->limits_ = limits;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) p->Fail("the file does not exist");
  if (std::filesystem::is_directory(path, ec)) p->Fail("it is a folder, not a file");
  std::string error;
  p->file_bytes_ = ReadWholeFile(path, limits.max_file_size, &error);
  if (!error.empty()) p->Fail(error);
  if (!shown.empty()) p->shown_ = shown;
  if (p->file_bytes_.size() >= 8 && std::memcmp(p->file_bytes_.data(), "\xD0\xCF\x11\xE0", 4) == 0) {
    // A workbook saved with a password to open it is an encrypted package
    // inside the same kind of container as an old binary workbook.
    if (CompoundFileHasEntry(p->file_bytes_, "EncryptedPackage")) {
      p->Fail("the workbook is encrypted (it has a password to open it); save the template without a password");
    }
    p->Fail("an old binary workbook (.xls) is not supported; save it as .xlsx");
  }
  if (p->file_bytes_.size() < 4 || std::memcmp(p->file_bytes_.data(), "PK", 2) != 0) {
    p->Fail("not a zip archive");
  }
  zip_error_t zerr;
  zip_error_init(&zerr);
  zip_source_t* src = zip_source_buffer_create(p->file_bytes_.data(), p->file_bytes_.size(), 0, &zerr);
  if (!src) p->Fail("cannot read the archive");
  // No consistency check: it refuses archives that every other reader
  // opens (local headers that differ harmlessly from the central
  // directory); the limits below and on every read guard against hostile
  // ones, and duplicate names are refused by name.
  zip_t* za = zip_open_from_source(src, ZIP_RDONLY, &zerr);
  if (!za) {
    zip_source_free(src);
    std::string reason = zip_error_strerror(&zerr);
    zip_error_fini(&zerr);
    p->Fail("not a valid zip archive (" + reason + ")");
  }
  zip_error_fini(&zerr);
  p->archive_ = za;
  zip_int64_t n = zip_get_num_entries(za, 0);
  if (n < 0 || static_cast<unsigned long long>(n) > limits.max_parts) {
    p->Fail("the archive holds too many parts (" + std::to_string(n) + ")");
  }
  for (zip_int64_t i = 0; i < n; ++i) {
    const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (!name) p->Fail("an entry of the archive has no name");
    std::string s(name);
    if (!s.empty() && s.back() == '/') continue;  // folder entries
    if (p->index_.count(s)) p->Fail("the part \"" + s + "\" occurs twice");
    p->index_[s] = i;
    p->names_.push_back(s);
  }
  return p;
}

bool Package::Has(const std::string& part) const {
  if (changed_.count(part)) return true;
  return index_.count(part) > 0;
}

std::vector<std::string> Package::PartNames() const { return names_; }

std::string Package::Read(const std::string& part) {
  auto ch = changed_.find(part);
  if (ch != changed_.end()) {
    if (!ch->second.stream) return ch->second.bytes;
    std::string out;
    ch->second.stream->Restart();
    while (ch->second.stream->Next(out)) {
    }
    return out;
  }
  auto it = index_.find(part);
  if (it == index_.end() || it->second < 0) Fail("the part \"" + part + "\" is missing");
  zip_t* za = Zip(archive_);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(za, static_cast<zip_uint64_t>(it->second), 0, &st) != 0) {
    Fail("cannot read the part \"" + part + "\"");
  }
  unsigned long long declared = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
  if (declared > limits_.max_part_size || total_read_ + declared > limits_.max_total_read) {
    Fail("the part \"" + part + "\" inflates beyond the size limit (a zip bomb?)");
  }
  zip_file_t* zf = zip_fopen_index(za, static_cast<zip_uint64_t>(it->second), 0);
  if (!zf) Fail("cannot read the part \"" + part + "\" (" + zip_strerror(za) + ")");
  std::string out;
  out.reserve(static_cast<size_t>(declared));
  char buffer[65536];
  for (;;) {
    zip_int64_t got = zip_fread(zf, buffer, sizeof buffer);
    if (got < 0) {
      std::string reason = zip_file_strerror(zf);
      zip_fclose(zf);
      Fail("the part \"" + part + "\" is damaged (" + reason + ")");
    }
    if (got == 0) break;
    out.append(buffer, static_cast<size_t>(got));
    // The declared size may lie: stop as soon as the data goes past it.
    if (out.size() > declared || out.size() > limits_.max_part_size) {
      zip_fclose(zf);
      Fail("the part \"" + part + "\" inflates beyond its declared size (a zip bomb?)");
    }
  }
  if (zip_fclose(zf) != 0) Fail("the part \"" + part + "\" is damaged (checksum error)");
  total_read_ += out.size();
  return out;
}

void Package::Register(const std::string& part) {
  if (!index_.count(part)) {
    index_[part] = -1;
    names_.push_back(part);
  }
}

void Package::Write(const std::string& part, std::string bytes) {
  Register(part);
  changed_[part] = Change{std::move(bytes), nullptr};
}

void Package::WriteStream(const std::string& part, std::shared_ptr<PartStream> stream) {
  Register(part);
  changed_[part] = Change{std::string(), std::move(stream)};
}

void Package::Remove(const std::string& part) {
  index_.erase(part);
  changed_.erase(part);
  for (size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == part) {
      names_.erase(names_.begin() + static_cast<long>(i));
      break;
    }
  }
}

std::string Package::AddParts(void* archive, int deflate_level) {
  zip_t* out = Zip(archive);
  for (const std::string& name : names_) {
    zip_source_t* src = nullptr;
    auto ch = changed_.find(name);
    bool changed = ch != changed_.end();
    if (changed && ch->second.stream) {
      src = StreamSource(out, ch->second.stream.get());
    } else if (changed) {
      src = zip_source_buffer(out, ch->second.bytes.data(), ch->second.bytes.size(), 0);
    } else {
      // Unchanged parts keep their compressed bytes: no inflate, no deflate.
      src = zip_source_zip(out, Zip(archive_), static_cast<zip_uint64_t>(index_.at(name)), ZIP_FL_COMPRESSED, 0, 0);
    }
    if (!src) return "cannot add the part \"" + name + "\": " + zip_strerror(out);
    zip_int64_t idx = zip_file_add(out, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (idx < 0) {
      zip_source_free(src);
      return "cannot add the part \"" + name + "\": " + zip_strerror(out);
    }
    if (changed) {
      zip_set_file_compression(out, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE,
                               static_cast<zip_uint32_t>(deflate_level));
    }
  }
  return std::string();
}

void Package::SaveTo(const std::string& path, int deflate_level) {
  auto fail = [&](const std::string& reason) -> void {
    throw PlatformError("cannot save \"" + path + "\": " + reason);
  };
  const std::string folder = FolderOf(path);
  TempFile created;
  try {
    created = CreateTempFileBeside(path, "saving");
  } catch (const PlatformError& error) {
    fail(error.what());
  }
  struct stat fresh;
  const mode_t usual_mode = ::fstat(created.fd, &fresh) == 0 ? fresh.st_mode & 07777 : 0600;
  ::close(created.fd);
  const std::string temp = created.path;
  auto remove_temp = [&] { std::remove(temp.c_str()); };

  int zerrno = 0;
  zip_t* out = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &zerrno);
  if (!out) {
    remove_temp();
    fail("cannot create the archive");
  }
  std::string error = AddParts(out, deflate_level);
  auto stop_streams = [&] {
    for (auto& entry : changed_) {
      if (entry.second.stream) entry.second.stream->Stop();
    }
  };
  if (!error.empty()) {
    zip_discard(out);
    stop_streams();
    remove_temp();
    StopIfInterrupted();
    fail(error);
  }
  if (zip_close(out) != 0) {
    error = zip_strerror(out);
    zip_discard(out);
    stop_streams();
    remove_temp();
    StopIfInterrupted();
    fail(error);
  }
  stop_streams();
  // A file of ours saved over keeps its mode; anything else at the name (a
  // link, a file someone else put there) gives none of its own.
  struct stat original;
  const bool replaces_file =
      ::lstat(path.c_str(), &original) == 0 && S_ISREG(original.st_mode) && original.st_uid == ::geteuid();
  ::chmod(temp.c_str(), replaces_file ? original.st_mode & 07777 : usual_mode);
  FsyncPath(temp, false);
  // A stop asked for during the save leaves the file as it was.
  if (PendingInterruption() != 0) {
    remove_temp();
    StopIfInterrupted();
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    int e = errno;
    remove_temp();
    fail(std::string("cannot replace the file: ") + std::strerror(e));
  }
  FsyncPath(folder, true);
}

}  // namespace tallyvane::ooxml
