#include "core/events/LogLine.h"

#include "core/codec/Uuid.h"

namespace keldra {

LogLine LogLine::make(std::string text, Tone tone, SystemTime date) {
    return LogLine{makeUuid(), date, std::move(text), tone};
}

} // namespace keldra
