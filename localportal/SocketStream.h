#pragma once

#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/system/system_error.hpp>
#include <cerrno>
#include <cstddef>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/uio.h>

namespace keldra::localportal {

// Repeats a system call that a signal interrupted.
template <class Call> ssize_t retried(Call call) {
    for (;;) {
        const ssize_t result = call();
        if (result >= 0 || errno != EINTR) {
            return result;
        }
    }
}

// A blocking socket as Beast's synchronous stream. Timeouts come from SO_RCVTIMEO and SO_SNDTIMEO.
class SocketStream {
public:
    explicit SocketStream(int fd) : fd_(fd) {}

    template <class MutableBuffers>
    std::size_t read_some(const MutableBuffers& buffers, boost::beast::error_code& ec) {
        for (auto it = boost::asio::buffer_sequence_begin(buffers);
             it != boost::asio::buffer_sequence_end(buffers); ++it) {
            const boost::asio::mutable_buffer buffer = *it;
            if (buffer.size() > 0) {
                return receive(buffer.data(), buffer.size(), ec);
            }
        }
        ec = {};
        return 0;
    }
    template <class MutableBuffers> std::size_t read_some(const MutableBuffers& buffers) {
        boost::beast::error_code ec;
        const auto n = read_some(buffers, ec);
        if (ec) {
            throw boost::system::system_error(ec);
        }
        return n;
    }

    template <class ConstBuffers>
    std::size_t write_some(const ConstBuffers& buffers, boost::beast::error_code& ec) {
        iovec pieces[16];
        int count = 0;
        for (auto it = boost::asio::buffer_sequence_begin(buffers);
             it != boost::asio::buffer_sequence_end(buffers) && count < 16; ++it) {
            const boost::asio::const_buffer buffer = *it;
            if (buffer.size() > 0) {
                pieces[count++] = {const_cast<void*>(buffer.data()), buffer.size()};
            }
        }
        msghdr message{};
        message.msg_iov = pieces;
        message.msg_iovlen = static_cast<std::size_t>(count);
        for (;;) {
            const ssize_t sent = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
            if (sent >= 0) {
                ec = {};
                return static_cast<std::size_t>(sent);
            }
            if (errno != EINTR) {
                ec = failure();
                return 0;
            }
        }
    }
    template <class ConstBuffers> std::size_t write_some(const ConstBuffers& buffers) {
        boost::beast::error_code ec;
        const auto n = write_some(buffers, ec);
        if (ec) {
            throw boost::system::system_error(ec);
        }
        return n;
    }

    std::size_t receive(void* data, std::size_t size, boost::beast::error_code& ec) {
        for (;;) {
            const ssize_t got = ::recv(fd_, data, size, 0);
            if (got > 0) {
                ec = {};
                return static_cast<std::size_t>(got);
            }
            if (got == 0) {
                ec = boost::asio::error::eof;
                return 0;
            }
            if (errno != EINTR) {
                ec = failure();
                return 0;
            }
        }
    }

    bool sendAll(const char* data, std::size_t size) {
        boost::beast::error_code ec;
        while (size > 0 && !ec) {
            const auto sent = write_some(boost::asio::const_buffer(data, size), ec);
            data += sent;
            size -= sent;
        }
        return !ec;
    }

    int fd() const { return fd_; }

private:
    static boost::beast::error_code failure() {
        return errno == EAGAIN || errno == EWOULDBLOCK
                   ? boost::beast::error_code(boost::asio::error::timed_out)
                   : boost::beast::error_code(errno, boost::system::system_category());
    }

    int fd_;
};

} // namespace keldra::localportal
