#pragma once

namespace brio::ErrorNo {
// Failures of the disk under the book, told apart from a damaged book.
constexpr int ReadOnly = 3027;  // the book, its folder or its journal may not be written
constexpr int DiskFull = 3026;
constexpr int DiskError = 3043; // the system failed to read or write the disk
} // namespace brio::ErrorNo
