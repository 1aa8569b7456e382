// A stand-in of the COM and OLE calls that the zip operation makes, linked in place of the COM layer.
// It plays a shell whose every step can be made to fail or to misbehave, and writes down what is
// called, and when each string and object is allocated and let go, as words in one list.
#pragma once

#include "Platform/Com/ShlDisp.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// How the calls answer.
struct ShellScript {
    HRESULT initialize = S_OK;
    HRESULT progId = S_OK;
    HRESULT create = S_OK;
    HRESULT run = S_OK;
    HRESULT query = S_OK;
    // The names of the texts for which NameSpace gives no folder, and what it answers for them.
    std::set<std::string> missingFolders{};
    HRESULT missingFolderAnswer = S_FALSE;
    // The n-th SysAllocString, counted from 1, runs out of memory; 0 for none.
    int failingAllocation = 0;
    // How many times ParseName finds nothing before it finds the item.
    int unlistedPolls = 0;
    // What CopyHere and MoveHere do with the item's text, and answer.
    std::function<HRESULT(const std::u16string& item)> copyHere = [](const std::u16string&) { return S_OK; };
    std::function<HRESULT(const std::u16string& item)> moveHere = [](const std::u16string&) { return S_OK; };
};

struct FakeCom {
    ShellScript script;
    // The name a text goes by in the record.
    std::function<std::string(const std::u16string& text)> nameOf;

    // The record: "init", "clsid", "create", "run", "qi", "NameSpace:<name>", "Items", "ParseName",
    // "CopyHere", "MoveHere", "uninit" (with a "?" appended when made with other arguments than the
    // zip operation's); "+<name>" for a string allocated, "alloc-failed" for one that could not be;
    // "-<name>" for a variant cleared or an object's last reference released.
    std::vector<std::string> calls;
    int allocations = 0;
    int liveObjects = 0;
    std::map<const OLECHAR*, std::unique_ptr<std::u16string>> strings;
};

// What the calls answer from and write to.
extern FakeCom fakeCom;
