// Path splitting, directory trees and whole-file operations shared by the
// game logic, the download engine and the services. Both "\" and "/" count as
// separators when a path is read; paths that are built use "\".
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "core/WString.h"

// Size of a file that can be opened for reading with read sharing.
bool GetFileSize64(const wchar_t* path, uint64_t* size);

// Drive and folder of path with the trailing separator ("" for a bare name);
// false when a part does not fit MAX_PATH characters.
bool GetDirectoryPart(const wchar_t* path, WString* out);
// File name with its extension; false when a part does not fit MAX_PATH.
bool GetFileNamePart(const wchar_t* path, WString* out);
bool GetFileNamePartToBuffer(const wchar_t* path, wchar_t buffer[MAX_PATH]);

// Whether two paths name the same file or folder as Windows reads them: each
// made full ("." and ".." resolved, "/" read as "\", trailing dots and
// spaces dropped), in its long-name form where it exists, then compared
// ignoring letter case. A path that cannot be made full is compared as
// written.
bool IsSamePath(const wchar_t* a, const wchar_t* b);

// Drops the nine characters Windows refuses in a file name: < > : " / \ | ? *
void RemoveInvalidFileNameChars(WString& name);

// The text after the last "/"; the whole text when there is no "/" or nothing
// follows it ("a/b/" stays "a/b/").
void GetUrlTail(const wchar_t* text, WString* out);

// Creates every folder of path; a path that ends without a separator is a
// folder too. Folders that exist already are fine. Paths of MAX_PATH
// characters or more fail before anything is created.
bool CreateDirectoryTree(const wchar_t* path);
// CreateDirectoryTree of the folder part of filePath.
bool CreateParentDirectory(const wchar_t* filePath);

// The path exists and is not a folder.
bool FileExists(const wchar_t* path);
// The path exists and is a folder.
bool DirectoryExists(const wchar_t* path);

// Renames the file to the first of "<path>.bad", "<path>.bad2" ...
// "<path>.bad9" that is not there, never replacing one: a file kept this
// way from an earlier run may be the one that still holds the player's
// data. keptAs receives the new name; false when every name is taken or the
// rename fails, and the file stays where it was.
bool KeepFileAside(const wchar_t* path, WString* keptAs);

// Keeps a store (settings, accounts) from writing over its file after that
// file was there but could not be read: until the file is kept aside the
// store must not save.
class UnreadFileGuard {
public:
    // After each load of the file at path: read tells whether it was read.
    // A file that is not there counts as read (a first start).
    void AfterLoad(bool read, const wchar_t* path);
    // The file at path could not be read and is still there.
    bool Blocks() const { return m_unread; }
    // KeepFileAside of the unread file; true (keptAs untouched) when there
    // is nothing to keep aside.
    bool KeepAside(const wchar_t* path, WString* keptAs);

private:
    bool m_unread = false;
};

// Replaces the file with the bytes, creating its folders. The bytes go to
// path + ".tmp" first and are moved over the file only when all of them
// reached the disk, so a failure leaves the old file as it was.
bool WriteFileBytes(const wchar_t* path, const void* data, size_t size);

// Copies the file over destination, creating its folders. The copy goes to
// destination + ".tmp" and is moved over destination in one step, so
// destination is always either the old file or a whole copy.
bool CopyFileCreatingDirs(const wchar_t* source, const wchar_t* destination);

// Deletes the file; after that, its folder and each emptied folder above it
// are removed, up to and including root. Folders outside root are never
// touched. The result is that of the delete.
bool DeleteFileAndEmptyParents(const wchar_t* filePath, const wchar_t* root);

// Deletes the folder with everything in it; false at the first entry that
// cannot be removed. Links to folders are removed, never followed.
bool DeleteDirectoryTree(const wchar_t* path);

// A file name that Windows opens as a device in whatever folder it stands:
// CON, PRN, AUX, NUL, COM0-COM9 and LPT0-LPT9 (also with the superscript
// digits 1-3), CONIN$, CONOUT$ and CLOCK$, in any letter case, alone or
// before an extension, with or without spaces before the dot.
bool IsDeviceName(const wchar_t* name, size_t length);

// A path that stays below the folder it is appended to: not empty, no
// leading separator, no drive or other ':', no ".." component (nor one of
// only dots and spaces, which Windows may shorten to ".."), and no
// component that is a device name. Names taken from downloaded files (zip
// entries, asset names, library paths, version ids) must pass it before
// they become paths.
bool IsSafeRelativePath(const wchar_t* path, size_t length);

// Appends "\" unless the text is empty or already ends in a separator.
void AppendPathSeparator(WString& path);
