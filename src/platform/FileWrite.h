#pragma once
// Writing files: a whole buffer to a file descriptor, and replacing a file a
// user cares about so that it is never left half-written or empty.
#include <cstdint>
#include <string>
#include <string_view>

namespace qx {

// Writes all of data, retrying short and interrupted writes; false (errno
// set) on the first real failure.
bool WriteFully(int fd, std::string_view data);

// Replaces one file atomically. Open() creates a temporary file beside the
// target, Write() appends to it and checks every write, Commit() flushes it
// to the disk (fsync), gives it the old file's permission bits (and owner,
// where allowed) and renames it over the target, then makes the rename
// durable. A symbolic link is followed and its target replaced. On any
// failure the target is left exactly as it was, the temporary file is
// removed and Error()/Reason() say why; a writer destroyed without Commit()
// discards its temporary file.
//
// The temporary file is hidden and named ".<name>.qxsave-<pid>-<n>~" (the
// name cut short when the whole would be too long), which no user names a
// file. Open() removes such files of earlier saves of the same target left
// behind by a program that was killed between writing and renaming: those of
// processes that no longer run, and any not written to for an hour.
class AtomicFileWriter {
public:
    // A file that does not exist yet is made with newFileMode (less the
    // umask); an existing one keeps its own.
    explicit AtomicFileWriter(std::string path, unsigned newFileMode = 0666);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Open();
    bool Write(std::string_view data);
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    // The system error number of the first failure, 0 while there is none.
    int Error() const { return error_; }
    // The first failure in Czech, for a message that names the file.
    std::string Reason() const;
    // The file that is replaced (the target of a symbolic link).
    const std::string& Target() const { return target_; }

private:
    bool fail(int errorNumber);

    std::string path_;
    std::string target_;
    std::string temp_;
    unsigned newFileMode_;
    int fd_ = -1;
    int error_ = 0;
    bool hadOld_ = false;
    unsigned oldMode_ = 0;
    unsigned oldUid_ = 0;
    unsigned oldGid_ = 0;
};

// Replaces the file at path with content through an AtomicFileWriter. False
// on failure, with the Czech reason in *reason; the old file is untouched.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* reason = nullptr);

// A system error number as a Czech reason why a file could not be written
// ("na disku není volné místo"), without a final full stop.
std::string FileErrorText(int errorNumber);

// True when name (a file name without folder) is a temporary file of the
// atomic writer for the file named targetName in the same folder.
bool IsSaveTemporaryOf(std::string_view name, std::string_view targetName);

// Tests only: from now on every write of an AtomicFileWriter (the data and
// the flush) fails with errorNumber, as on a disk that has filled up; 0 ends
// it.
void FailFileWritesForTesting(int errorNumber);

} // namespace qx
