#!/usr/bin/env python3
"""A simulated access link on loopback: forwards TCP connections from a local port to a server,
giving every byte a one-way delay and sharing one bandwidth per direction among all connections.

  link_forwarder.py --upstream <port> --rtt-ms 40 --mbit 100

Prints the port it listens on, then serves until killed. Each chunk read from one side leaves the
shared link of its direction once the chunks before it have (its bytes at the link's rate) and
arrives half a round trip later; order within a connection is kept. Connecting costs one round
trip: nothing a client sends is read before it has passed.
"""
import argparse
import asyncio
import sys

CHUNK = 64 * 1024


class Link:
    """One direction of the access link: a rate shared by every connection, and a delay."""

    def __init__(self, bytes_per_second, delay):
        self.rate = bytes_per_second
        self.delay = delay
        self.free_at = 0.0

    def arrival(self, now, size):
        self.free_at = max(now, self.free_at) + size / self.rate
        return self.free_at + self.delay


async def pump(reader, writer, link):
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def deliver():
        while True:
            at, data = await queue.get()
            if data is None:
                break
            wait = at - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            writer.write(data)
            await writer.drain()
        writer.write_eof() if writer.can_write_eof() else None

    delivering = asyncio.create_task(deliver())
    try:
        while True:
            data = await reader.read(CHUNK)
            if not data:
                break
            queue.put_nowait((link.arrival(loop.time(), len(data)), data))
    except ConnectionError:
        pass
    queue.put_nowait((0, None))
    try:
        await delivering
    except ConnectionError:
        pass


async def handle(client_reader, client_writer, upstream, up, down, rtt):
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", upstream)
    except OSError:
        client_writer.close()
        return
    await asyncio.sleep(rtt)  # the handshake's round trip
    try:
        await asyncio.gather(pump(client_reader, server_writer, up),
                             pump(server_reader, client_writer, down))
    finally:
        for w in (client_writer, server_writer):
            try:
                w.close()
            except OSError:
                pass


async def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--upstream", type=int, required=True, help="server port on 127.0.0.1")
    parser.add_argument("--rtt-ms", type=float, default=40)
    parser.add_argument("--mbit", type=float, default=100)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    rtt = args.rtt_ms / 1000
    rate = args.mbit * 1e6 / 8
    up, down = Link(rate, rtt / 2), Link(rate, rtt / 2)
    server = await asyncio.start_server(
        lambda r, w: handle(r, w, args.upstream, up, down, rtt), "127.0.0.1", args.port)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
