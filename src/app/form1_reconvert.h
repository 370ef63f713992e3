#pragma once
// "Reconvert" of the main window: the lower window's rich text back into
// quoted code text in the upper window (Form1Form::Reconvert_Click).
#include <functional>

namespace app {

// Called with the name of each point at which "Reconvert" can fail
// ("recognition", "result"); a test throws from it to force the recovery.
void SetReconvertFaultProbe(std::function<void(const char* point)> probe);

}  // namespace app
