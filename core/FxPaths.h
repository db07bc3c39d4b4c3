#pragma once
// The user's and the system's folders, the preset folder, bundle folders and resource lookup.
// Free functions without state of their own; every result goes into the caller's FxString
// (UTF-8). They allocate and touch the file system: main thread (or any thread that is not
// rendering), never the render thread.

#include "core/FxString.h"

namespace fx {

/** First Application Support folder of the system domain (isSystem) or the user domain.
 *  False, result empty, when there is none. */
bool AppSupportPath(FxString& result, bool isSystem = false);
/** The user's Music folder. False, result empty, when there is none. */
bool MusicFolderPath(FxString& result);
/** The user's Application Support folder followed by "/" and name (a null name adds nothing
 *  after the "/"). False, result empty, when there is no such folder. */
bool AppSupportFolderPath(FxString& result, const char* name);
/** <Library>/Audio/Presets/<maker>/<plug-in>/ in the local domain (isSystem) or the user domain.
 *  False, result empty, when there is no Library folder or the path would be longer than 1024
 *  characters (a cut path would name another folder). */
bool PresetsFolderPath(FxString& result, bool isSystem, const char* makerName, const char* plugName);
/** The user's Desktop folder. False, result empty, when there is none. */
bool DesktopPath(FxString& result);
/** The user's home folder. False, result empty, when it is unknown. */
bool UserHomePath(FxString& result);

/** Executable of the bundle with that identifier. False, result unchanged, when there is no
 *  such bundle or it has no executable. */
bool MacBundleExecutablePath(FxString& result, const char* bundleID);
/** The folder that contains the bundle, with a trailing "/". False, result unchanged, without
 *  such a bundle. */
bool MacBundleFolderPath(FxString& result, const char* bundleID);
/** The bundle's resource folder. False, result unchanged, without such a bundle. */
bool MacBundleResourcePath(FxString& result, const char* bundleID);

/** True when the home folder lies inside an application container ("Library/Containers/"). */
bool IsSandboxed();

/** Finds a resource file: when fileName's extension equals type (ignoring case), first in the
 *  resources of the bundle bundleID (by the file's name, then by fileName with its folders),
 *  then as <Music>/<sharedResourcesSubPath>/Resources/<name>.<type>; otherwise, or when neither
 *  holds it, fileName itself when it names an existing file. True with result set to the path
 *  found; false with result empty. */
bool LocateResource(const char* fileName, const char* type, FxString& result, const char* bundleID,
                    const char* sharedResourcesSubPath);

} // namespace fx
