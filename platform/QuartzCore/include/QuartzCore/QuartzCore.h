#pragma once

#include <QuartzCore/CAGeometry.h>
#include <QuartzCore/CAMetalLayer.h>
