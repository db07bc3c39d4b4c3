// Umbrella header of the Metal layer: a software implementation of the device, resource,
// pipeline and command interfaces the renderer uses.
#pragma once

#include <Metal/MTLCommand.h>
#include <Metal/MTLDevice.h>
#include <Metal/MTLLibrary.h>
#include <Metal/MTLObject.h>
#include <Metal/MTLPipeline.h>
#include <Metal/MTLResource.h>
#include <Metal/MTLSampling.h>
#include <Metal/MTLTypes.h>
