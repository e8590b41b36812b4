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
// The piece a chunked body is read in, whose length is not known ahead.
inline constexpr std::size_t chunkedPiece = 256 << 10;

// The request body as the routes see it: read once, in pieces, straight from the connection.
class IncomingBody {
public:
    IncomingBody(SocketStream& stream, boost::beast::flat_buffer& buffer,
                 boost::beast::http::request_parser<boost::beast::http::buffer_body>& parser,
                 std::vector<char>& piece)
        : stream_(stream), buffer_(buffer), parser_(parser), piece_(piece) {}

    bool complete() const { return complete_; }
    std::uint64_t declared() const { return parser_.content_length().value_or(0); }

    // Reads the body into the receiver, once; true when all of it arrived and was taken.
    bool read(const BodyReceiver& receiver);

private:
    // A declared length: bytes already buffered, then reads of up to a piece each.
    bool readDeclared(const BodyReceiver& receiver);

    bool readPieces(const BodyReceiver& receiver, std::uint64_t left);

    bool readChunked(const BodyReceiver& receiver);

    SocketStream& stream_;
    boost::beast::flat_buffer& buffer_;
    boost::beast::http::request_parser<boost::beast::http::buffer_body>& parser_;
    // Kept by the connection: grown to the largest piece it needed, not allocated per request.
    std::vector<char>& piece_;
    bool started_ = false;
    bool complete_ = false;
};

} // namespace keldra::localportal
