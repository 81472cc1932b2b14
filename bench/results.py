"""The measured results as the report reads them, and how numbers are written in it."""

MIB = 1024 * 1024
CHECKER_NAMES = ["checker", "checker, steady state", "checker, traced", "curl", "curl | jq"]
# The goals are stated for this response with the IP-literal URL.
GOAL_SIZE = "2 KB"
IP = "127.0.0.1"


def ms(seconds):
    value = seconds * 1000
    return f"{value:.2f}" if value < 10 else f"{value:.1f}" if value < 100 else f"{value:.0f}"


def mb(kib):
    return f"{kib / 1024:.1f}"


def millions(count):
    return f"{count / 1e6:.1f} M"


class Results:
    def __init__(self, data):
        self.data = data
        self.checker = data.get("checker", {})
        self.notifier = data.get("notifier")
        self.sizes = [entry["size"] for entry in self.checker.get("memory", [])]
        self.images = "images"  # relative to the report

    def timing(self, size, host, name):
        for group in self.checker.get("timing", []):
            if group["size"] == size and group["host"] == host:
                return group["commands"].get(name)
        return None

    def median(self, size, host, name):
        found = self.timing(size, host, name)
        return found["median"] if found else None

    def cpu(self, size, host, name):
        found = self.timing(size, host, name)
        return found["user"] + found["system"] if found else None

    def minimum(self, size, host, name):
        found = self.timing(size, host, name)
        return found["min"] if found else None

    def instructions(self, size, name):
        found = self.checker.get("callgrind", {}).get(size, {}).get(name)
        return found["total"] if found else None

    def memory(self, size, name):
        for group in self.checker.get("memory", []):
            if group["size"] == size:
                return group["commands"][name]["total_kib"]
        return None

    def size_bytes(self, size):
        return next(group["bytes"] for group in self.checker["memory"] if group["size"] == size)

    def trace(self, size):
        return next((t for t in self.checker.get("trace", []) if t["size"] == size), None)
