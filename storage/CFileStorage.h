#pragma once
// A typed key/value store whose values live in the owner's own variables. The owner declares, once, partitions
// (sections) and their items bound to its variables; Save writes every bound variable to a sectioned text file, Load
// reads such a file and assigns each value it recognises. A variable whose key is missing from a file keeps its
// value. Files are written with CR LF line ends and replaced atomically; Load reads CR LF, LF and mixed line ends.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"
#include "storage/CIniPartition.h"

class CStrList;

class CFileStorage {
public:
    // Appends a new, empty, unnamed partition and returns it; the storage owns it.
    CIniPartition* AddPartition();
    // Deletes every partition and its items.
    void RemoveAll();

    void SetHeader(std::string banner) { m_strHeader = std::move(banner); }
    const std::string& Header() const { return m_strHeader; }

    // Reads the file at path (or, when path is empty, at the last path given). Fails, changing no variable, when it
    // cannot be read (the message naming the file and the cause); succeeds otherwise, whether or not anything matched.
    Status ReadFile(const std::string& path = {});
    // ReadFile telling only whether it succeeded.
    bool Load(const std::string& path = {}) { return ReadFile(path).ok(); }
    // Parses text as the content of a settings file.
    bool LoadFromText(std::string_view text);
    // Parses the lines of an already loaded file into the partitions.
    void ReadLines(CStrList& lines);

    // Writes the banner (each LF in it as CR LF) and every partition to path (or the last path given), replacing the
    // file atomically. Fails (the message naming the file and the cause) when it cannot be written; an existing file
    // is then untouched.
    Status WriteFile(const std::string& path = {});
    // WriteFile telling only whether it succeeded.
    bool Save(const std::string& path = {}) { return WriteFile(path).ok(); }
    // The exact bytes Save writes.
    std::string SaveToText() const;

    const std::string& Path() const { return m_strPath; }
    std::size_t Count() const { return m_partitions.size(); }
    CIniPartition& Partition(std::size_t index) { return *m_partitions[index]; }
    const CIniPartition& Partition(std::size_t index) const { return *m_partitions[index]; }

private:
    std::vector<std::unique_ptr<CIniPartition>> m_partitions;
    std::string m_strHeader;
    std::string m_strPath;
};
