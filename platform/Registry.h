#pragma once
#include "platform/PlatformError.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace KavirelDLL {

class CPlatformFileLock;

// Both roots are kept per user: the engine never runs as an administrator.
enum class ERegistryRoot { currentUser, localMachine };
enum class ERegistryType { none, string, number };

// A registry of keys and values kept in one text file ("registry.txt"). Key paths are '\'-separated below a
// root; key and value names match without regard to case (code page 1250 rules) and keep the case they were
// created with. Texts are engine text (code page 1250). Every change is written at once, atomically; a change
// made by another process is picked up before the next call, and a change is made under a lock on the file
// (CPlatformFileLock) on what the file holds then, so processes changing the store at once keep each other's
// values. A damaged file is read up to its first bad line,
// reported, renamed to "registry.txt.damaged" (".damaged.2" ... when that is taken) and the store written
// again with what was read; a file too large to read is renamed the same way and a new store started. A file
// that is there but cannot be read (no permission, a folder), or a damaged one that cannot be renamed, is
// reported and never written over: the store then keeps its records in memory for the rest of the run, and
// changes succeed without reaching the disk.
class CPlatformRegistry {
public:
    // folder: engine name of the folder holding the file; empty for the user's configuration folder.
    explicit CPlatformRegistry(const std::string& folder = "");
    ~CPlatformRegistry();
    CPlatformRegistry(const CPlatformRegistry&) = delete;
    CPlatformRegistry& operator=(const CPlatformRegistry&) = delete;
    // The store of the user's configuration folder, shared by the whole process.
    static CPlatformRegistry& shared();

    // Creates the key and the keys above it; an existing key is success.
    EPlatformError createKey(ERegistryRoot root, const std::string& key);
    bool keyExists(ERegistryRoot root, const std::string& key);
    // Deletes the key with its values and every key below it; a root cannot be deleted.
    EPlatformError deleteKey(ERegistryRoot root, const std::string& key);
    // Creates the key when needed; replaces a value of either type.
    EPlatformError setString(ERegistryRoot root, const std::string& key, const std::string& name,
                             const std::string& value);
    EPlatformError setNumber(ERegistryRoot root, const std::string& key, const std::string& name,
                             uint32_t value);
    // notFound for a missing key or value, wrongType for a value of the other type.
    EPlatformError getString(ERegistryRoot root, const std::string& key, const std::string& name,
                             std::string& value);
    EPlatformError getNumber(ERegistryRoot root, const std::string& key, const std::string& name,
                             uint32_t& value);
    ERegistryType valueType(ERegistryRoot root, const std::string& key, const std::string& name);
    EPlatformError deleteValue(ERegistryRoot root, const std::string& key, const std::string& name);
    // Names of the sub-keys, sorted without regard to case.
    EPlatformError listSubKeys(ERegistryRoot root, const std::string& key, std::vector<std::string>& names);
    // Names of the values in the order they were first set.
    EPlatformError listValues(ERegistryRoot root, const std::string& key, std::vector<std::string>& names);
    // How the file read last time: none, corrupt (read up to the damage, or too large) or an error reading it
    // (then the records are kept in memory only).
    EPlatformError loadStatus();
    // Where the damage was, for a message; empty when the file read cleanly.
    std::string loadMessage();
    // Engine name of the store file.
    std::string storeFile() const;

    struct SKey;

private:
    struct SStamp {
        bool valid = false;
        bool exists = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0, seconds = 0, nanoseconds = 0;
        bool operator==(const SStamp&) const = default;
    };
    SStamp currentStamp() const;
    void refresh();
    // Locks the store's file for a read-change-write (the lock is released when fileLock goes) and reads it
    // again.
    void beginChange(CPlatformFileLock& fileLock);
    void load();
    std::string nativeStorePath() const;
    void keepDamaged(bool tooLarge);
    EPlatformError save();
    SKey* findKey(ERegistryRoot root, const std::string& key, bool create);

    std::mutex m_mutex;
    std::string m_folder;
    std::unique_ptr<SKey> m_roots[2];
    SStamp m_stamp;
    bool m_memoryOnly = false; // the file could not be read: nothing is read or written any more
    EPlatformError m_loadStatus = EPlatformError::none;
    std::string m_loadMessage;
};

} // namespace KavirelDLL
