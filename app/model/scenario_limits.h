// Limits of the pipeline network checked on a parsed scenario file before
// any of its objects is made: a file with a branch longer than a run accepts
// is refused at once, not after reading it all in.
#pragma once

#include <libxml/tree.h>

// The pipelines of the longest branch (pipelines joined end to end through
// PipeJoin objects) of the file's layers.
int LongestBranchInFile(xmlNodePtr root);
// 0, after one error message, when a branch holds more pipelines than a run
// accepts; else 1.
int CheckScenarioFileLimits(xmlNodePtr root, const char* filename);
// Makes every scenario load in this process run the check.
void InstallScenarioFileLimits();
