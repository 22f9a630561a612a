class Counter:
    def __init__(self):
        self.count = 0
    def bump(self):
        self.count = self.count + 1
c = Counter()
for i in range(2000000):
    c.bump()
print(c.count)
