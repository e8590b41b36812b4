#pragma once

#include "localportal/HttpMessage.h"
#include "localportal/SocketStream.h"

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace keldra::localportal {

// The largest piece a request body is read in.
inline constexpr std::size_t bodyPiece = 1 << 20;

// The request body as the routes see it: read once, in pieces, straight from the connection.
class IncomingBody {
public:
    IncomingBody(SocketStream& stream, boost::beast::flat_buffer& buffer,
                 boost::beast::http::request_parser<boost::beast::http::buffer_body>& parser,
                 std::vector<char>& piece)
        : stream_(stream), buffer_(buffer), parser_(parser), piece_(piece) {}

    bool complete() const { return complete_; }
    std::uint64_t declared() const { return parser_.content_length().value_or(0); }

    // Reads the body into the target, once; true when all of it arrived and was taken.
    bool read(const BodyTarget& target);

private:
    // A declared length: bytes already buffered, then reads of up to a piece each.
    bool readDeclared(const BodyTarget& target);

    // Socket to pipe to file with splice: the kernel hands the received pages on and copies them once, into
    // the file, with no copy through this process. A file system that refuses spliced bytes gets the rest
    // through the receiver.
    bool moveInto(int file, const BodyTarget& target, std::uint64_t left);

    bool readPieces(const BodyReceiver& receiver, std::uint64_t left);

    bool readChunked(const BodyReceiver& receiver);

    SocketStream& stream_;
    boost::beast::flat_buffer& buffer_;
    boost::beast::http::request_parser<boost::beast::http::buffer_body>& parser_;
    std::vector<char>& piece_; // kept by the connection: allocated once, not per request
    bool started_ = false;
    bool complete_ = false;
};

} // namespace keldra::localportal
