#include "localportal/IncomingBody.h"

#include "core/fs/UniqueFd.h"

#include <algorithm>
#include <boost/beast/http/read.hpp>
#include <fcntl.h>
#include <unistd.h>

namespace keldra::localportal {

namespace http = boost::beast::http;

bool IncomingBody::read(const BodyTarget& target) {
    if (started_) {
        return false;
    }
    started_ = true;
    if (parser_.is_done()) {
        complete_ = true;
        return true;
    }
    if (piece_.empty()) {
        piece_.resize(bodyPiece);
    }
    complete_ = parser_.chunked() ? readChunked(target.receive) : readDeclared(target);
    return complete_;
}

bool IncomingBody::readDeclared(const BodyTarget& target) {
    const auto& receiver = target.receive;
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
    if (left >= bodyPiece && target.file) {
        const int file = target.file();
        if (file >= 0) {
            return moveInto(file, target, left);
        }
    }
    return readPieces(receiver, left);
}

bool IncomingBody::moveInto(int file, const BodyTarget& target, std::uint64_t left) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return readPieces(target.receive, left);
    }
    const UniqueFd readEnd(ends[0]);
    const UniqueFd writeEnd(ends[1]);
    // A larger pipe moves a body in fewer calls; the system's limit may refuse it, which only costs
    // calls.
    const int capacity = ::fcntl(writeEnd.get(), F_SETPIPE_SZ, static_cast<int>(bodyPiece));
    const std::uint64_t step = capacity > 0 ? static_cast<std::uint64_t>(capacity) : 64 << 10;
    bool direct = true;
    while (left > 0) {
        const ssize_t got = retried([&] {
            return ::splice(stream_.fd(), nullptr, writeEnd.get(), nullptr,
                            static_cast<std::size_t>(std::min(left, step)), SPLICE_F_MOVE);
        });
        if (got <= 0) {
            return false;
        }
        left -= static_cast<std::uint64_t>(got);
        auto inPipe = static_cast<std::size_t>(got);
        while (direct && inPipe > 0) {
            const ssize_t put = retried(
                [&] { return ::splice(readEnd.get(), nullptr, file, nullptr, inPipe, SPLICE_F_MOVE); });
            if (put < 0 && errno == EINVAL && inPipe == static_cast<std::size_t>(got)) {
                direct = false;
            } else if (put <= 0 || !target.moved(static_cast<std::uint64_t>(put))) {
                return false;
            } else {
                inPipe -= static_cast<std::size_t>(put);
            }
        }
        while (inPipe > 0) {
            const ssize_t read = retried(
                [&] { return ::read(readEnd.get(), piece_.data(), std::min(inPipe, piece_.size())); });
            if (read <= 0 || !target.receive(piece_.data(), static_cast<std::size_t>(read))) {
                return false;
            }
            inPipe -= static_cast<std::size_t>(read);
        }
        if (!direct) {
            return readPieces(target.receive, left);
        }
    }
    return true;
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
