document.getElementById('menu-note').textContent = 'The menu script ran.';
