total = 0
for i in range(10000000):
    total = total + i % 7
print(total)
