#pragma once

#include <QuartzCore/CAGeometry.h>
#include <QuartzCore/CALayer.h>
#include <QuartzCore/CAMetalLayer.h>
