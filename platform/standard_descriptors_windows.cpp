#include "platform/standard_descriptors.h"

namespace platform {

// A Windows program without a console or redirection has no standard handles, and files it
// opens never take their place: nothing to do.
void OpenClosedStandardDescriptors() {}

}  // namespace platform
