// Dialog templates of the pages and dialogs beside the main window, registered with the layer by
// RegisterProgramResources() together with the main window's own resources.
#pragma once

namespace brelvano {

// The side menu panel, the geofence, BLE and report pages.
void RegisterPageTemplates();
// The settings page.
void RegisterSettingTemplates();
// The session's dialogs (device password prompt).
void RegisterSessionTemplates();
// The "Connecting to Device" notice (waittemplate.cpp).
void RegisterWaitTemplate();

}  // namespace brelvano
