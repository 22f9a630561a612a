def make_counter():
    count = 0
    def bump():
        nonlocal count
        count = count + 1
        return count
    return bump
bump = make_counter()
last = 0
for i in range(1000000):
    last = bump()
print(last)
