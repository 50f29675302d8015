#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Donguri developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""A slow or broken network between the program and a PostgreSQL cluster, for tests and benchmarks.

    delay_proxy.py SOCKET DELAY_MS DROP_FILE

Listens on 127.0.0.1 on a free port, prints the port on a line of its own, and connects each
client to the Unix socket SOCKET. Every chunk read from either side waits DELAY_MS before it is
written on (25 ms each way make a 50 ms round trip). While DROP_FILE exists the proxy forwards
nothing and takes no new connection, but closes nothing either: what a vanished VPN or a pulled
cable looks like to the client, silence without an error. Ends when its standard input closes.
"""
import asyncio
import os
import sys


async def main():
    socket_path, delay, drop_file = sys.argv[1], int(sys.argv[2]) / 1000.0, sys.argv[3]

    def dropping():
        return os.path.exists(drop_file)

    async def until_flowing():
        while dropping():
            await asyncio.sleep(0.01)

    async def pump(reader, writer):
        try:
            while True:
                chunk = await reader.read(65536)
                if not chunk:
                    break
                await until_flowing()
                if delay:
                    await asyncio.sleep(delay)
                await until_flowing()
                writer.write(chunk)
                await writer.drain()
        except (ConnectionError, OSError):
            pass
        finally:
            try:
                writer.close()
            except OSError:
                pass

    async def serve(client_reader, client_writer):
        # A connection made while dropping is never answered, as a host that is gone.
        await until_flowing()
        try:
            server_reader, server_writer = await asyncio.open_unix_connection(socket_path)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(pump(client_reader, server_writer), pump(server_reader, client_writer))

    server = await asyncio.start_server(serve, "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    # The program that started it goes, and the proxy with it.
    await asyncio.to_thread(sys.stdin.buffer.read)


if __name__ == "__main__":
    asyncio.run(main())
