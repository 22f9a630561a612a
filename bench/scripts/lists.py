l = []
x = 1
for i in range(300000):
    x = (x * 75 + 74) % 65537
    l.append(x % 1000)
l.sort()
total = 0
for i in range(300000):
    total = total + l[i] * (i % 4)
print(total)
