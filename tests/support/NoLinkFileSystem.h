#pragma once

// Tests of a file system without the no-replace rename and without hard
// links, made by preloading the shim of tests/shim into a child process.
namespace testsupport {

// Whether this process runs with the shim preloaded.
bool OnFileSystemWithoutLinks();

// Runs the current test again in a child process of this test program with
// the shim preloaded, and fails unless the test passed there. A test starts
// with `if (!OnFileSystemWithoutLinks()) return RerunOnFileSystemWithoutLinks();`
void RerunOnFileSystemWithoutLinks();

}  // namespace testsupport
