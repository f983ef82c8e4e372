// Configurations built entry by entry for the maintenance and editor tests, and a model whose
// changes can be made to fail.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "config/cfg_store.h"

namespace testing_support {

// Adds a user-defined entry (or a built-in one of `builtin`) in `category` and returns its id.
inline int addEntry(CfgStore& store, int kind, std::string_view name, int category,
                    int builtin = 0) {
    EntryRecord record = EntryRecord::named(name);
    record.categoryId = category;
    record.builtinType = builtin;
    record.option4 = 0;
    return store.addEntry(kind, record);
}

// Puts `id` into list `list` of the entry `owner`, in position order as the editor does.
inline void addToList(CfgStore& store, int kind, int owner, int list, int id, int listedKind) {
    store.listInsert(kind, ById, owner, list, id, store.orderOf(listedKind));
}

// A model whose additions, deletions and list changes fail on request: each armed operation
// fails every time until disarmed.
class FailingCfgStore : public CfgStore {
public:
    enum Operation { Add, Delete, ListInsert, ListRemove };
    std::set<Operation> failing;
    int failDeleteOfKind = -1;  // with Delete armed: only deletions of this kind fail (-1 all)

    int addEntry(int kind, const EntryRecord& record) override {
        return failing.contains(Add) ? -1 : CfgStore::addEntry(kind, record);
    }
    int deleteEntry(int kind, int mode, int key) override {
        if (failing.contains(Delete) && (failDeleteOfKind < 0 || failDeleteOfKind == kind)) {
            return 0;
        }
        return CfgStore::deleteEntry(kind, mode, key);
    }
    int listInsert(int kind, int mode, int key, int list, int id, const IntOrder& order) override {
        return failing.contains(ListInsert) ? 0 : CfgStore::listInsert(kind, mode, key, list, id, order);
    }
    int listRemove(int kind, int mode, int key, int list, int id) override {
        return failing.contains(ListRemove) ? 0 : CfgStore::listRemove(kind, mode, key, list, id);
    }
};

}  // namespace testing_support
