#!/usr/bin/env python3
# A one-file HTTP server for the real-window run: listens on 127.0.0.1 at a fixed port,
# appends every request it receives (request line, headers and any body, as the bytes
# came) to a log file, and answers each with 404 so that the program falls back to its
# built-in news page. Exits with status 1 when the port cannot be had.
#
# Usage: recorder.py PORT LOGFILE
import re
import socket
import sys


def read_request(client):
    """Up to the blank line after the headers, then as many body bytes as
    Content-Length names. A client that stops early gives what came."""
    data, need = b"", None
    while need is None or len(data) < need:
        chunk = client.recv(4096)
        if not chunk:
            break
        data += chunk
        end = data.find(b"\r\n\r\n")
        if need is None and end >= 0:
            length = re.search(rb"\r\ncontent-length:\s*(\d+)", data[:end].lower())
            need = end + 4 + (int(length.group(1)) if length else 0)
    return data


port, log_path = int(sys.argv[1]), sys.argv[2]
server = socket.socket()
# A previous run's connections may linger in TIME_WAIT; that is no reason to fail.
# Another listener on the port still is.
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
try:
    server.bind(("127.0.0.1", port))
    server.listen(16)
except OSError as error:
    sys.exit(f"recorder: cannot listen on 127.0.0.1:{port} ({error}); is the port taken?")
log = open(log_path, "ab")
print("listening", flush=True)
while True:
    client, _ = server.accept()
    with client:
        request = read_request(client)
        log.write(b"=== request %d bytes\n%s\n=== end\n" % (len(request), request))
        log.flush()
        client.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n"
                       b"Content-Length: 0\r\nConnection: close\r\n\r\n")
