#pragma once

namespace Platform {

/*! Whether the application shows in the task bar. A tray application normally does not: its windows are
    then tool windows that the task bar and the window switcher leave out. */
enum class ActivationPolicy { Regular = 0, Accessory = 1 };

namespace Application {

ActivationPolicy activationPolicy();
/*! Applies the policy to every top-level window, now and as windows are shown later. Main thread only. */
void setActivationPolicy(ActivationPolicy policy);
/*! How often setActivationPolicy has run (tests). */
int activationPolicyChangeCount();

} // namespace Application

} // namespace Platform
