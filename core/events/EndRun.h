#pragma once

namespace keldra {

// Thrown inside a run (cloud or drive) to stop it at one of its endings; the run catches it itself, so it
// never leaves the engine.
template <typename Ending> struct EndRun { Ending ending; };

} // namespace keldra
