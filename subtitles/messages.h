#pragma once
// Every text the engine shows a user, in one place.

namespace cuemark::messages {

inline constexpr const char* SubRipCorrupt = "File is corrupt or not in SubRip format.";
inline constexpr const char* MicroDVDCorrupt = "File is corrupt or not in MicroDVD format.";
inline constexpr const char* SamiCorrupt = "File is corrupt or not in SAMI format.";
inline constexpr const char* UnknownFormat = "Could not determine file format";
inline constexpr const char* NegativeStart = "Cannot save: all starting times must be positive.";
inline constexpr const char* SaveErrors = "One or more errors occurred while saving.\r\nThe file may be invalid.";
inline constexpr const char* IllegalFrameRate = "Illegal frame rate!";
inline constexpr const char* StoreFull =
    "This file holds more than 32,700 subtitles, the most Cuemark can keep.\r\n"
    "The first 32,700 were loaded; the rest of the file was not read.";
inline constexpr const char* InputTooLarge =
    "The file is larger than 256 MB, far more than any subtitle file; it was not read.";
// Why a save refused its target; each follows "cannot write NAME: ".
inline constexpr const char* ForeignLink =
    "it is a link that another user made in a shared folder, and a save does not follow it";
inline constexpr const char* NotARegularFile = "it is a device, pipe or socket, not a file; a save writes only files";
inline constexpr const char* TargetChanged =
    "another file took its place while it was being saved; that file was left as it is";

} // namespace cuemark::messages
