// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A standard descriptor that the caller left closed would be taken by the next file opened (Qt's
// event descriptor, a temporary file), and what is meant for standard output or error would go
// there. Each closed one is held instead by /dev/null opened for reading, so that writes to it
// fail and no file takes its number. Called first thing, before anything is opened.
void holdClosedStandardDescriptors();

// Whether fd is open for writing.
bool writableDescriptor(int fd);
