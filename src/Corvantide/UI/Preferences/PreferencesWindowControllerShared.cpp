#include "Preferences/GeneralPreferenceViewController.h"
#include "Preferences/PreferencesWindowController.h"
#include "Preferences/ProjectsPreferenceViewController.h"

PreferencesWindowController& PreferencesWindowController::shared() {
    // Kept for the process, like the window it shows.
    static auto* controller = new PreferencesWindowController(new GeneralPreferenceViewController(),
                                                              new ProjectsPreferenceViewController());
    return *controller;
}
