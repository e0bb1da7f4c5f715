#pragma once
// The PDF version an encrypted copy declares: its header version and, for 256-bit AES on a PDF 1.7
// file, the extension level of Adobe's that readers look for in the catalog's /Extensions before
// they try revision 5 or 6.

#include <cstdint>
#include <string>
#include <string_view>

namespace pdf {

class TPDFDictionary;
class TPDFObject;
class TPDFStructure;

// The header version of a copy encrypted at strength (0 to 4, the facade's scale): the one the
// level needs, or the input's when that is higher. A copy never claims less than its input uses.
std::string CopyHeaderVersion(std::string_view inputVersion, std::int32_t strength);

// The /ExtensionLevel of Adobe's extensions to PDF 1.7 (/ADBE) that a copy with this header
// version and strength needs: 3 for revision 5, 8 for revision 6, 0 when none is needed (RC4 and
// 128-bit AES are PDF 1.7 proper; PDF 2.0 has 256-bit AES itself).
std::int32_t AdobeExtensionLevel(std::string_view headerVersion, std::int32_t strength);

// Makes extensions (a catalog's direct /Extensions) name at least level: an /ADBE entry (given
// resolved as adbe, or nullptr) of /BaseVersion 1.7 and a level as high stays, any other is
// replaced, or joined when it is an array of extensions. Other developers' extensions stay.
// True when extensions changed.
bool RaiseAdobeExtension(TPDFStructure& arena, TPDFDictionary& extensions, const TPDFObject* adbe, std::int32_t level);

}  // namespace pdf
