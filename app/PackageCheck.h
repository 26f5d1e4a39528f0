// The data files beside SETUP.EXE against the SHA-256 hashes that mksetup
// pack wrote into it (runtime/PackageHashes.h), taken with runtime/Sha256.h.
#pragma once

#include <string>

// Whether the data file at path (SETUP.INS, LICENSE.TXT, SETUP.Z or a later
// volume) may be trusted: this program's hash block is empty (a program not
// shipped by pack), or the file's SHA-256 is the one the block holds for its
// name, or the file is missing (its reader reports that). A file that cannot be read, or that the filled block does not list,
// does not match. A file found good is held open against writers (others
// may read it), so that what is read of it later is what was checked, and is
// not checked again, until it is let go of.
bool DataFileMatches(const std::string& path);

// Once a file found good has been read, or before the disk it is on may be
// changed: it is closed and will be checked again should it be asked about.
void LetGoOfDataFile(const std::string& path);
void LetGoOfDataFiles();

// The first volume, and when every volume of the block lies beside it, all
// of them: whether they all match; failed names the first that does not.
bool FirstVolumesMatch(const std::string& firstVolume, std::string& failed);
