// Dialog templates registered by RegisterSettingTemplates().
#include "resources/pagetemplates.h"

#include "platform/resources.h"

namespace brelvano {

void RegisterSettingTemplates() {}

}  // namespace brelvano
