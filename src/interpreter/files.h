// Whole-file access shared by the channels, the file commands and the
// encoding commands: names go through hostPath, descriptors are plain POSIX
// ones, and failures leave errno set for the caller.
#pragma once

#include <cstddef>
#include <string>

// Opens an existing regular file for reading (a folder is not a file); -1
// when it cannot be opened.
int openSourceFile(const std::string& name);
// Creates a file for writing, replacing one that exists; -1 when it cannot
// be made.  A destination that is the file open on sourceFd (-1: none) is
// refused untouched, as the open source would be lost by the replacing.
int createTargetFile(const std::string& name, int sourceFd);
// Writes all bytes, resuming after interruptions and partial writes.
bool writeAll(int fd, const char* data, size_t size);
// Reads up to size bytes, resuming after interruptions; -1 on an error.
long readSome(int fd, char* data, size_t size);
