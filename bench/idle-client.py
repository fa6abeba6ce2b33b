"""An IMAP client that does nothing but idle, for bench/imap: logs in over TLS, selects INBOX,
enters IDLE, prints "idling", and then "<unix time> exists <n>" for the n-th EXISTS the server
sends.
Idling beside the tray program on the same mailbox, it tells the server's part of the time from
a delivery to the program's notification. Standard library only.

    python3 bench/idle-client.py PORT AUTHORITY LOGIN PASSWORD
"""
import socket
import ssl
import sys
import time


def main():
    port, authority, login, password = sys.argv[1:5]
    context = ssl.create_default_context(cafile=authority)
    raw = socket.create_connection(("127.0.0.1", int(port)), timeout=30)
    with context.wrap_socket(raw, server_hostname="127.0.0.1") as tls:
        lines = tls.makefile("rb")
        lines.readline()  # the greeting
        for tag, command in (("a", f'LOGIN "{login}" "{password}"'), ("b", "SELECT INBOX"),
                             ("c", "IDLE")):
            tls.sendall(f"{tag} {command}\r\n".encode())
            while True:
                line = lines.readline()
                if not line:
                    sys.exit("idle-client: the server closed the connection")
                if line.startswith(f"{tag} ".encode()):
                    if not line.startswith(f"{tag} OK".encode()):
                        sys.exit(f"idle-client: {line.decode(errors='replace').strip()}")
                    break
                if tag == "c" and line.startswith(b"+"):
                    break
        print("idling", flush=True)
        tls.settimeout(None)
        announced = 0
        for line in iter(lines.readline, b""):
            if line.rstrip().endswith(b"EXISTS"):
                announced += 1
                print(f"{time.time():.3f} exists {announced}", flush=True)


if __name__ == "__main__":
    main()
