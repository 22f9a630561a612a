m = {}
for i in range(200000):
    m["k" + str(i)] = i
total = 0
for i in range(200000):
    total = total + m["k" + str(i)] % 7
print(len(m))
print(total)
