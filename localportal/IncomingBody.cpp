#include "localportal/IncomingBody.h"

#include <algorithm>
#include <boost/beast/http/read.hpp>

namespace keldra::localportal {

namespace http = boost::beast::http;

bool IncomingBody::read(const BodyReceiver& receiver) {
    if (started_) {
        return false;
    }
    started_ = true;
    if (parser_.is_done()) {
        complete_ = true;
        return true;
    }
    // As large as this body needs and at most a piece: a small API request does not pay for a large buffer.
    const std::uint64_t needed =
        parser_.chunked() ? chunkedPiece : std::min<std::uint64_t>(declared(), bodyPiece);
    if (piece_.size() < needed) {
        piece_.resize(static_cast<std::size_t>(needed));
    }
    complete_ = parser_.chunked() ? readChunked(receiver) : readDeclared(receiver);
    return complete_;
}

// Read into this process and written on by the route, not spliced from the socket into the file: in
// portal_bench both were about as fast in the median, splicing had more rounds at a third of its rate, and
// one path is simpler to keep right than two.
bool IncomingBody::readDeclared(const BodyReceiver& receiver) {
    std::uint64_t left = parser_.content_length().value_or(0);
    const auto buffered = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), left));
    if (buffered > 0) {
        const bool taken = receiver(static_cast<const char*>(buffer_.data().data()), buffered);
        buffer_.consume(buffered);
        left -= buffered;
        if (!taken) {
            return false;
        }
    }
    return readPieces(receiver, left);
}

bool IncomingBody::readPieces(const BodyReceiver& receiver, std::uint64_t left) {
    while (left > 0) {
        boost::beast::error_code ec;
        const auto got = stream_.receive(
            piece_.data(), static_cast<std::size_t>(std::min<std::uint64_t>(left, piece_.size())), ec);
        if (ec || !receiver(piece_.data(), got)) {
            return false;
        }
        left -= got;
    }
    return true;
}

bool IncomingBody::readChunked(const BodyReceiver& receiver) {
    while (!parser_.is_done()) {
        auto& body = parser_.get().body();
        body.data = piece_.data();
        body.size = piece_.size();
        boost::beast::error_code ec;
        http::read(stream_, buffer_, parser_, ec);
        if (ec == http::error::need_buffer) {
            ec = {};
        }
        if (ec) {
            return false;
        }
        const std::size_t got = piece_.size() - parser_.get().body().size;
        if (got > 0 && !receiver(piece_.data(), got)) {
            return false;
        }
    }
    return true;
}

} // namespace keldra::localportal
