// The settings store: named text values filed under key paths, in one store per root. The
// user's own settings are read and written; the system's are read only, and hold the values a
// legacy installation left behind.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

enum class SettingsRoot { CurrentUser, LocalMachine };

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The value `name` under the key path `key`, or nothing when the store, the key or the
    // value is not there or cannot be read. Key paths and value names compare without regard
    // to case.
    virtual std::optional<std::string> read(SettingsRoot root, std::string_view key,
                                            std::string_view name) = 0;

    // Stores `value` under `key` as `name`, creating the key (and the store) when missing.
    // Returns false when nothing was stored; the system root is never written.
    virtual bool write(SettingsRoot root, std::string_view key, std::string_view name,
                       std::string_view value) = 0;

    // Many writes in a row: between the two calls writes are kept in memory (and read back from
    // there), and the commit stores them all at once. Returns false when they could not be
    // stored; a store without such a difference just writes each value at once.
    virtual void beginBatch() {}
    virtual bool commitBatch() { return true; }

    // False when the store of `root` is there but cannot be read: a value read() did not find
    // may then be there, and must not be taken for a missing one.
    virtual bool readable(SettingsRoot root) {
        (void)root;
        return true;
    }
};

// The settings store kept in text files: one section per key path, such as
// "[SOFTWARE\Brightfold\Zentrel Markwise]", and one "Name=value" line per value, where "\\",
// "\n" and "\r" stand for a backslash and the two line-break characters. The user's file is
// read anew for every request outside a batch, so that two running programs see each other's
// changes (a batch reads each file once, and one that could not read the user's writes
// nothing), and
// replaced whole (through a temporary file in its folder) on every write, created with mode
// 0600 in a folder of mode 0700. Lines the store does not understand, and comments, are kept
// as they are.
class IniSettingsStore : public SettingsStore {
public:
    // `userFile` is read and written; `systemFile` only read.
    IniSettingsStore(Files& files, std::string userFile, std::string systemFile);
    ~IniSettingsStore() override;

    std::optional<std::string> read(SettingsRoot root, std::string_view key,
                                    std::string_view name) override;
    bool write(SettingsRoot root, std::string_view key, std::string_view name,
               std::string_view value) override;
    void beginBatch() override;
    bool commitBatch() override;
    bool readable(SettingsRoot root) override;

    const std::string& userFile() const { return userFile_; }
    const std::string& systemFile() const { return systemFile_; }

private:
    Files& files_;
    std::string userFile_;
    std::string systemFile_;
    struct Batch;
    std::unique_ptr<Batch> batch_;  // while a batch is open
};

// "$XDG_CONFIG_HOME/markwise/registry.ini", with ~/.config in place of an unset (or relative)
// XDG_CONFIG_HOME.
std::string userSettingsFile();

// "$MARKWISE_SYSTEM_REGISTRY", or "/etc/markwise/registry.ini" when it is unset.
std::string systemSettingsFile();

// The value escapes of the settings file, exposed for the tests.
std::string escapeSettingsValue(std::string_view value);
std::string unescapeSettingsValue(std::string_view text);

}  // namespace platform
