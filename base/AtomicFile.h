#pragma once
// Replaces a file in one step. The bytes go to a new file in the target's folder (same folder, so the rename stays on
// one file system); Commit flushes it to the disk and renames it over the target. Until Commit succeeds the target is
// untouched, so a failed write, an abandoned AtomicFile or a killed process never leaves a truncated target behind.
// The new file is unnamed (O_TMPFILE) while it is written and is linked into the folder only by Commit, so a process
// killed while writing leaves nothing behind either; where the file system has no unnamed files it is a hidden
// temporary file beside the target instead, removed on every way out but a kill.
//
// - An existing target keeps its permission bits (and, where the process may, its owner and group).
// - A target that is a symbolic link stays a link: the file it points to is the one replaced.
// - A new target gets the permissions a plain create would give (0666 less the umask).

#include <cstddef>
#include <cstdio>
#include <string>

#include "base/Status.h"

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();  // discards the temporary file unless Commit succeeded

    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. The error names the target.
    Status Open();

    // The stream to write to; valid between a successful Open and Commit or Discard.
    std::FILE* Stream() const { return m_stream; }

    // Writes bytes; a failure is remembered and reported by Commit.
    bool Write(const void* data, std::size_t size);

    // Flushes, syncs and renames the temporary file over the target. On failure the temporary file is removed and the
    // target is as it was; the error names the target and the cause.
    Status Commit();

    // Removes the temporary file; the target is untouched.
    void Discard();

    const std::string& Target() const { return m_target; }
    // The hidden temporary file's path; empty while the file being written is unnamed.
    const std::string& TemporaryPath() const { return m_tempPath; }

private:
    std::string TemporaryNameIn(const std::string& folder) const;
    void SyncFolder() const;

    std::string m_target;    // as the caller named it, for messages
    std::string m_resolved;  // the file that is replaced (symbolic links followed)
    std::string m_tempPath;
    std::FILE* m_stream = nullptr;
    bool m_writeFailed = false;
    int m_writeErrno = 0;
};

// Writes a whole buffer to path atomically.
Status WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
