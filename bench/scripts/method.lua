local Counter = {}
Counter.__index = Counter
function Counter.new()
  return setmetatable({count = 0}, Counter)
end
function Counter:bump()
  self.count = self.count + 1
end
local c = Counter.new()
for i = 1, 2000000 do
  c:bump()
end
print(c.count)
