// The installer's pictures in the size made for the screen's density: 100,
// 150 or 200 % (NearestPictureDensity). Picture loaders for TImage.
#pragma once

#include "toolkit/Toolkit.h"

// The wizard's side picture: at 96 pixels per inch the one in the resources,
// at 144 and 192 the same design drawn for that density. Returns the density.
int LoadSidePicture(TPicture& picture, int ppi);
// The installer's icon at 32, 48 or 64 pixels. Returns the density.
int LoadSetupIcon(TPicture& picture, int ppi);
