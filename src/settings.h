// The five settings in force, and their persistence in the host's INI file.
// The names are the keys of the file's "Tunestow" section.
#pragma once

#include "path_rewrite.h"

extern char rootDirectoryArchiveFrom[PATH_BUFFER_SIZE];
extern char rootDirectoryArchiveTo[PATH_BUFFER_SIZE];
extern char scriptFilePathAndName[PATH_BUFFER_SIZE];
extern int immediateMode;   // 0: write script lines; any other value: move at once
extern int playNextTrack;   // exactly 1: skip to the next track before archiving

void loadConfiguration();
void saveConfiguration();
