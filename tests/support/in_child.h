// Checks that must run in a process of their own: as another user, or with a changed view of
// the system that the test process itself must keep.
#pragma once

#include <functional>
#include <string>

struct ChildOutcome {
    int exitCode = -1;   // -1 when the copy did not exit normally
    std::string output;  // what body wrote into its output
};

// Runs body in a forked copy of the test process, which ends with body's result as its exit
// code and runs no clean-up of the test framework. The copy must not use EXPECT or ASSERT.
ChildOutcome RunInChild(const std::function<int(std::string& output)>& body);

// In such a copy: become the unprivileged user "nobody". False when not allowed.
bool BecomeNobody();

// In such a copy: lay an empty folder that nobody may read over /proc, in a mount namespace
// of the copy's own. False when not allowed.
bool HideProcessList();

// Whether the test runs with the privileges that the two need (tried in a copy).
bool MayChangeUsersAndMounts();
