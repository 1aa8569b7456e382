// The shell automation interfaces the framework calls, with the identifiers Windows publishes.
//
// "Shell.Application" shows a directory as a folder and a ZIP archive as a compressed folder.
// CopyHere and MoveHere on a compressed folder add the file named by the item (a path text) as one
// entry, replacing an entry of the same name, and return only when the new archive is complete at its name
// (not synced: the caller makes it durable where it puts it in place); the archive is replaced
// atomically and a moved file is removed only after that. They fail with
// HRESULT_FROM_WIN32 of the cause. Options: VT_EMPTY shows progress on a terminal's standard error
// after about a second; VT_I4 with FOF_SILENT shows none.
#pragma once

#include "Platform/Com/ObjBase.h"
#include "Platform/Com/OleAuto.h"

inline constexpr CLSID CLSID_Shell = {
    0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID IID_IShellDispatch = {
    0xD8F015C0, 0xC278, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID IID_Folder = {
    0xBBCBDE60, 0xC3FF, 0x11CE, {0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID IID_FolderItems = {
    0x744129E0, 0xCBE5, 0x11CE, {0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr IID IID_FolderItem = {
    0xFAC32C80, 0xCBE4, 0x11CE, {0x83, 0x50, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The copy and move option that shows no progress.
inline constexpr LONG FOF_SILENT = 0x4;

struct FolderItem : IUnknown {
    virtual HRESULT get_Name(BSTR* pbs) = 0;
};

struct FolderItems : IUnknown {
    virtual HRESULT get_Count(long* plCount) = 0;
};

struct Folder : IUnknown {
    virtual HRESULT Items(FolderItems** ppid) = 0;
    // S_FALSE and a null item when the folder holds no item of that name.
    virtual HRESULT ParseName(BSTR bName, FolderItem** ppid) = 0;
    virtual HRESULT MoveHere(VARIANT vItem, VARIANT vOptions) = 0;
    virtual HRESULT CopyHere(VARIANT vItem, VARIANT vOptions) = 0;
};

struct IShellDispatch : IUnknown {
    // S_FALSE and a null folder for anything but an existing directory or ZIP archive.
    virtual HRESULT NameSpace(VARIANT vDir, Folder** ppsdf) = 0;
};
