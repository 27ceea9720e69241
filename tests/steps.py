"""The bookkeeping the test scripts share: a check raises Failure with what it saw; each step
prints "ok   LABEL" (with what the check returned) or "FAIL LABEL: why", and the script ends
with the count and status 1 when any step failed."""


class Failure(Exception):
    pass


class Steps:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def run(self, label, check, *args):
        """Runs check(*args) as one step; returns what it returned, or None when it failed."""
        try:
            result = check(*args)
        except Failure as e:
            self.failed += 1
            print(f"FAIL {label}: {e}")
            return None
        self.passed += 1
        print(f"ok   {label}" + (f": {result}" if result else ""))
        return result

    def status(self):
        print(f"{self.passed} passed, {self.failed} failed")
        return 1 if self.failed else 0
