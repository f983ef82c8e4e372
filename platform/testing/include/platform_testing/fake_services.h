// Fakes of the settings store, the process starter, the browser, the single-instance channel
// and the editor notifier: each records what the program asked of it and answers as the test
// says.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/editor_notifier.h"
#include "platform/instance_channel.h"
#include "platform/process.h"
#include "platform/settings_store.h"

namespace platform {

class FakeSettingsStore : public SettingsStore {
public:
    using Values = std::map<std::string, std::string>;  // name -> value, within one key

    // Stored values by root and key path (exact spelling).
    std::map<std::string, Values> user;
    std::map<std::string, Values> system;
    // Value names whose reads or writes fail (under any key).
    std::set<std::string> failingReads;
    std::set<std::string> failingWrites;
    bool everyWriteFails = false;
    // Roots whose store is there but cannot be read.
    std::set<SettingsRoot> unreadable;
    // Every write in order: (key, name, value).
    std::vector<std::tuple<std::string, std::string, std::string>> writes;
    int readCount = 0;

    std::optional<std::string> read(SettingsRoot root, std::string_view key,
                                    std::string_view name) override {
        ++readCount;
        if (failingReads.count(std::string(name)) || unreadable.count(root)) return std::nullopt;
        auto& keys = root == SettingsRoot::CurrentUser ? user : system;
        auto found = keys.find(std::string(key));
        if (found == keys.end()) return std::nullopt;
        auto value = found->second.find(std::string(name));
        if (value == found->second.end()) return std::nullopt;
        return value->second;
    }

    bool write(SettingsRoot root, std::string_view key, std::string_view name,
               std::string_view value) override {
        if (root != SettingsRoot::CurrentUser || everyWriteFails ||
            failingWrites.count(std::string(name))) {
            return false;
        }
        writes.emplace_back(std::string(key), std::string(name), std::string(value));
        user[std::string(key)][std::string(name)] = std::string(value);
        return true;
    }

    bool readable(SettingsRoot root) override { return unreadable.count(root) == 0; }
};

class FakeProcessStarter : public ProcessStarter {
public:
    struct Start {
        std::string program;
        std::string file;
        bool maximized;
        std::string directory;  // the current directory at the time, when a test tracks it
    };
    std::vector<Start> starts;
    bool succeeds = true;

    bool start(const std::string& program, const std::string& file, bool maximized) override {
        starts.push_back({program, file, maximized, {}});
        return succeeds;
    }
};

class FakeUrlOpener : public UrlOpener {
public:
    std::vector<std::string> opened;
    bool succeeds = true;

    bool open(const std::string& url) override {
        opened.push_back(url);
        return succeeds;
    }
};

class FakeInstanceChannel : public InstanceChannel {
public:
    bool otherRunning = false;
    bool listenSucceeds = true;
    bool listening = false;
    int raisesSent = 0;
    int pendingRaises = 0;

    bool anotherInstanceRunning() override { return otherRunning; }
    bool raiseAnotherInstance() override {
        if (!otherRunning) return false;
        ++raisesSent;
        return true;
    }
    bool listen() override {
        listening = listenSucceeds && !otherRunning;
        return listening;
    }
    int descriptor() const override { return -1; }
    int takeRaiseRequests() override { return std::exchange(pendingRaises, 0); }
};

class FakeEditorNotifier : public EditorNotifier {
public:
    struct Notice {
        std::string windowClass;
        int message;
        std::string reportPath;
    };
    std::vector<Notice> notices;
    bool succeeds = true;

    bool notify(const std::string& windowClass, int message,
                const std::string& reportPath) override {
        notices.push_back({windowClass, message, reportPath});
        return succeeds;
    }
};

}  // namespace platform
