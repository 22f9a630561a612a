class Node:
    def __init__(self, l, r):
        self.left = l
        self.right = r

def make(depth):
    if depth == 0:
        return Node(None, None)
    return Node(make(depth - 1), make(depth - 1))

def check(node):
    if node.left is None:
        return 1
    return 1 + check(node.left) + check(node.right)

max_depth = 14
stretch = max_depth + 1
print("stretch tree of depth %d\t check: %d" % (stretch, check(make(stretch))))
long_lived = make(max_depth)
for depth in range(4, max_depth + 1, 2):
    iterations = 1 << (max_depth - depth + 4)
    total = 0
    for i in range(iterations):
        total += check(make(depth))
    print("%d\t trees of depth %d\t check: %d" % (iterations, depth, total))
print("long lived tree of depth %d\t check: %d" % (max_depth, check(long_lived)))
