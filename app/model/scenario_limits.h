// Limits checked on a parsed scenario file before any of its objects is
// made: a file too large to read in is refused at once. A network a run
// cannot take (a branch too long) opens; the network check refuses it.
#pragma once

#include <libxml/tree.h>

// The most objects a scenario file may hold: far more than a network drawn
// by hand (15 branches of 100 pipelines and their joins are some 3000), few
// enough that reading them cannot exhaust memory.
constexpr int MAX_FILE_OBJECTS = 200000;
// The objects of the file's layers.
int ObjectsInFile(xmlNodePtr root);
// 0, after one error message, when the file holds more objects than
// MAX_FILE_OBJECTS; else 1.
int CheckScenarioFileLimits(xmlNodePtr root, const char* filename);
// Makes every scenario load in this process run the check.
void InstallScenarioFileLimits();
